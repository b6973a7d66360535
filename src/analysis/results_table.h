#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "analysis/statistics.h"

namespace tesselin {

struct BinRow;

// The results of one analysis as texts: row 0 holds the captions, then one
// row per bin that received at least one pair, in bin order.
using ResultsRow = std::array<std::string, 5>;
using ResultsTable = std::vector<ResultsRow>;

inline const ResultsRow kResultsCaptions = {"Bin Start", "Bin End", "Midpoint", "Avg. Value",
                                            "Points"};

// Start, end, midpoint and value are rounded to 7 decimal places (ties to
// even) and shown as number text; the count is shown as it is. Every text
// takes at most 14 characters, fewer significant digits where it would need
// more, so that the results file keeps its values apart. The fourth caption
// names the statistic.
ResultsTable buildResultsTable(std::span<const BinRow> bins, std::span<const double> values,
                               std::span<const double> midpoints,
                               Statistic statistic = Statistic::MeanAbs);
// The table of the default analysis: mean |dY| in bins of equal width.
ResultsTable buildResultsTable(std::span<const BinRow> bins);

}  // namespace tesselin
