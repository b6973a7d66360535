#pragma once

#include <optional>
#include <vector>

#include "analysis/chart_points.h"
#include "analysis/lag_binning.h"
#include "analysis/results_table.h"

namespace tesselin {

// The program-wide tables. One object is owned by main and handed to the
// windows by reference, so each table lives as long as the program and no
// mutable global variable exists.
struct modGlobals {
    // The bins of the last analysis run.
    std::vector<BinRow> BinTable;

    // The results of the last completed analysis; it outlives the results
    // window, so File > Save can write it after a later run found no data.
    std::optional<ResultsTable> resultsTable;

    // What the two charts were last given to draw.
    ChartPointTable PreviewChartTable;
    ChartPointTable ResultsChartTable;
};

}  // namespace tesselin
