#include "analysis/chart_points.h"

#include <algorithm>
#include <cmath>

#include "common/DataGrid.h"
#include "common/numbers.h"

namespace tesselin {
namespace {

ChartPointTable columnsOf(const DataGrid& grid, int xColumn, int yColumn) {
    ChartPointTable table;
    table.reserve(static_cast<std::size_t>(std::max(0, grid.Rows() - 1)));
    for (int r = 1; r < grid.Rows(); ++r) {
        table.push_back(
            {std::string(grid.TextMatrix(r, xColumn)), std::string(grid.TextMatrix(r, yColumn))});
    }
    return table;
}

}  // namespace

ChartPointTable previewChartTable(const DataGrid& grid, int xColumn, int yColumn) {
    ChartPointTable table = columnsOf(grid, xColumn, yColumn);
    if (grid.cellRule() == CellRule::WholeValue) {
        // The rows the analysis leaves out (an X or Y that is no number).
        std::erase_if(table, [](const auto& row) {
            return std::any_of(row.begin(), row.end(), [](const std::string& cell) {
                return !isBlankCell(cell) && !strictNumber(cell);
            });
        });
    }
    return table;
}

ChartPointTable resultsChartTable(const DataGrid& resultsGrid) {
    constexpr int kMidpoint = 2;
    constexpr int kAverage = 3;
    if (resultsGrid.Cols() <= kAverage) {
        return {};  // not filled by any run yet
    }
    return columnsOf(resultsGrid, kMidpoint, kAverage);
}

int previewColumn(std::string_view text) {
    return static_cast<int>(std::nearbyint(leadingNumberValue(text)));
}

std::vector<DataPoint> plottedPoints(const ChartPointTable& table) {
    std::vector<DataPoint> points;
    points.reserve(table.size());
    for (const auto& [x, y] : table) {
        if (!isBlankCell(x) && !isBlankCell(y)) {
            points.push_back({leadingNumberValue(x), leadingNumberValue(y)});
        }
    }
    return points;
}

std::vector<SpreadBar> spreadBars(const ResultsTable& results, std::span<const BinRow> bins,
                                  std::span<const BinSpread> spread) {
    constexpr std::size_t kMidpoint = 2;
    std::vector<SpreadBar> bars;
    std::size_t row = 0;  // the caption row comes first
    for (std::size_t k = 0; k < bins.size() && k < spread.size(); ++k) {
        if (!(bins[k].count > 0)) {
            continue;  // no row in the table
        }
        ++row;
        const BinSpread& s = spread[k];
        if (row < results.size() && std::isfinite(s.p16) && std::isfinite(s.p84)) {
            bars.push_back({leadingNumberValue(results[row][kMidpoint]), s.p16, s.p84});
        }
    }
    return bars;
}

}  // namespace tesselin
