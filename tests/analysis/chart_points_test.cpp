#include "analysis/chart_points.h"

#include <gtest/gtest.h>

#include "common/DataGrid.h"

namespace tesselin {
namespace {

TEST(ChartPoints, TakeTheChosenColumnsAndLeaveOutBlankCells) {
    DataGrid grid;
    grid.setRows(5);
    grid.setCols(3);
    const char* cells[4][3] = {
        {"1", "10", "a"}, {"", "20", "b"}, {"3", " 30", "c"}, {"x", "4", "d"}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            grid.setTextMatrix(r + 1, c, cells[r][c]);
        }
    }
    const ChartPointTable table = previewChartTable(grid, 0, 1);
    EXPECT_EQ(table, (ChartPointTable{{"1", "10"}, {"", "20"}, {"3", " 30"}, {"x", "4"}}));
    const std::vector<DataPoint> points = plottedPoints(table);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 1);
    EXPECT_EQ(points[0].y, 10);
    EXPECT_EQ(points[1].x, 0);  // "x" reads as 0, as the analysis reads it
    EXPECT_EQ(points[1].y, 4);

    EXPECT_TRUE(plottedPoints(previewChartTable(DataGrid(), 0, 1)).empty());
}

TEST(ChartPoints, RoundTheTypedColumnHalfToEven) {
    const struct {
        const char* text;
        int column;
    } cases[] = {{"0.5", 0}, {"1.5", 2}, {"2.5", 2}, {"abc", 0}, {"2a", 2}, {"01", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(previewColumn(c.text), c.column) << c.text;
    }
}

TEST(ChartPoints, TheResultsChartTakesMidpointsAndAverages) {
    DataGrid results;
    results.setRows(3);
    results.setCols(5);
    const char* rows[3][5] = {{"Bin Start", "Bin End", "Midpoint", "Avg. Value", "Points"},
                              {"0", "1.5", "0.75", "2", "1"},
                              {"1.5", "3", "2.25", "2", "2"}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 5; ++c) {
            results.setTextMatrix(r, c, rows[r][c]);
        }
    }
    EXPECT_EQ(resultsChartTable(results), (ChartPointTable{{"0.75", "2"}, {"2.25", "2"}}));
    EXPECT_TRUE(resultsChartTable(DataGrid()).empty());
}

}  // namespace
}  // namespace tesselin
