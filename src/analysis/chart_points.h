#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ensemble.h"
#include "analysis/extraction.h"
#include "analysis/lag_binning.h"
#include "analysis/results_table.h"

namespace tesselin {

class DataGrid;

// The texts a chart receives: one row per point, the X text and the Y text.
using ChartPointTable = std::vector<std::array<std::string, 2>>;

// The preview chart's table: the two chosen columns of every data row (but
// those that the grid's cell rule leaves out of the analysis).
ChartPointTable previewChartTable(const DataGrid& grid, int xColumn, int yColumn);

// The results chart's table: the Midpoint and Avg. Value texts of every bin
// row of the results grid.
ChartPointTable resultsChartTable(const DataGrid& resultsGrid);

// The column that a typed column text names for the preview chart: its
// leading-number value rounded to the nearest whole number, halves to even.
int previewColumn(std::string_view text);

// The points to draw: rows with a blank X or Y text are left out, as the
// analysis leaves them out; the other texts are read by their leading-number
// value.
std::vector<DataPoint> plottedPoints(const ChartPointTable& table);

// A bin's bar on the results chart: at its midpoint, from the 16th to the
// 84th percentile of its value over the bootstrap resamples.
struct SpreadBar {
    double x = 0;
    double low = 0;
    double high = 0;
};

// The bars of a run's bins that have pairs (the data rows of its results
// table, in order) and both percentiles; none without a bootstrap. A bar's X
// is read from the table's midpoint text, as the chart reads its points, so
// that each bar stands on its point.
std::vector<SpreadBar> spreadBars(const ResultsTable& results, std::span<const BinRow> bins,
                                  std::span<const BinSpread> spread);

}  // namespace tesselin
