#include "analysis/extraction.h"

#include <gtest/gtest.h>

#include "common/DataGrid.h"
#include "support/GridTables.h"

namespace tesselin {
namespace {

TEST(ExtractDataPoints, SkipsRowsWithABlankCellAndReadsTheRestAsNumbers) {
    const struct {
        const char* name;
        testing::Table rows;
        std::vector<std::pair<double, double>> points;
        double first, last;
    } cases[] = {
        {"worked example",
         {{"X", "Y"}, {"1", "5"}, {"", "7"}, {"3", ""}, {" 4", "2"}, {"2", "x"}},
         {{1, 5}, {2, 0}},
         1,
         2},
        {"tab is blank", {{"X", "Y"}, {"\t1", "2"}, {"3", "4"}}, {{3, 4}}, 3, 3},
        {"order kept",
         {{"X", "Y"}, {"5", "0"}, {"3", "0"}, {"9", "0"}},
         {{5, 0}, {3, 0}, {9, 0}},
         3,
         9},
        {"Unix times, beyond the starting values",
         {{"X", "Y"}, {"1700000000", "0"}, {"1700086400", "0"}},
         {{1.7e9, 0}, {1700086400, 0}},
         1.7e9,
         1700086400},
        {"far below them",
         {{"X", "Y"}, {"-3E+12", "0"}, {"-2E+12", "0"}},
         {{-3e12, 0}, {-2e12, 0}},
         -3e12,
         -2e12},
        {"all blank", {{"X", "Y"}, {"", ""}, {" 1", "2"}}, {}, 999999999, -999999999},
    };
    EXPECT_EQ(extractDataPoints(DataGrid(), 0, 1).PointCount(), 0);  // the initial grid
    for (const auto& c : cases) {
        const AnalysisData data = extractDataPoints(testing::gridOf(c.rows), 0, 1);
        std::vector<std::pair<double, double>> points;
        for (const DataPoint& p : data.DataPoints) {
            points.emplace_back(p.x, p.y);
        }
        EXPECT_EQ(points, c.points) << c.name;
        EXPECT_EQ(data.FirstPoint, c.first) << c.name;
        EXPECT_EQ(data.LastPoint, c.last) << c.name;
    }
}

}  // namespace
}  // namespace tesselin
