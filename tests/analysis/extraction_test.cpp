#include "analysis/extraction.h"

#include <gtest/gtest.h>

#include "common/DataGrid.h"

namespace tesselin {
namespace {

DataGrid gridOf(const std::vector<std::pair<std::string, std::string>>& rows) {
    DataGrid grid;
    grid.setRows(static_cast<int>(rows.size()) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        grid.setTextMatrix(static_cast<int>(r) + 1, 0, rows[r].first);
        grid.setTextMatrix(static_cast<int>(r) + 1, 1, rows[r].second);
    }
    return grid;
}

TEST(ExtractDataPoints, SkipsRowsWithABlankCellAndReadsTheRestAsNumbers) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> rows;
        std::vector<std::pair<double, double>> points;
        double first, last;
    } cases[] = {
        {"worked example",
         {{"1", "5"}, {"", "7"}, {"3", ""}, {" 4", "2"}, {"2", "x"}},
         {{1, 5}, {2, 0}},
         1,
         2},
        {"tab is blank", {{"\t1", "2"}, {"3", "4"}}, {{3, 4}}, 3, 3},
        {"order kept", {{"5", "0"}, {"3", "0"}, {"9", "0"}}, {{5, 0}, {3, 0}, {9, 0}}, 3, 9},
        {"beyond the starting values",
         {{"2000000000", "0"}, {"3000000000", "0"}},
         {{2e9, 0}, {3e9, 0}},
         999999999,
         3e9},
        {"all blank", {{"", ""}, {" 1", "2"}}, {}, 999999999, -999999999},
    };
    for (const auto& c : cases) {
        const AnalysisData data = extractDataPoints(gridOf(c.rows), 0, 1);
        std::vector<std::pair<double, double>> points;
        for (const DataPoint& p : data.DataPoints) {
            points.emplace_back(p.x, p.y);
        }
        EXPECT_EQ(points, c.points) << c.name;
        EXPECT_EQ(data.FirstPoint, c.first) << c.name;
        EXPECT_EQ(data.LastPoint, c.last) << c.name;
    }
}

TEST(ExtractDataPoints, ReadsTheInitialGridAsNoData) {
    EXPECT_EQ(extractDataPoints(DataGrid(), 0, 1).PointCount(), 0);
}

}  // namespace
}  // namespace tesselin
