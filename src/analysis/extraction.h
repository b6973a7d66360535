#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataGrid.h"
#include "common/cell_reading.h"

#include "common/DataPoint.h"

namespace tesselin {

// What FirstPoint and LastPoint hold before any point is known. With points,
// they are the true smallest and largest X, whatever their size (Unix times
// of 1.7E+09 included).
inline constexpr double kFirstPointStart = 999'999'999.0;
inline constexpr double kLastPointStart = -999'999'999.0;

// The two chosen columns of the data grid, as the analysis sees them.
struct AnalysisData {
    std::vector<DataPoint> DataPoints;  // in data-grid row order
    double FirstPoint = kFirstPointStart;
    double LastPoint = kLastPointStart;
    SkippedCells rowsLeftOut;      // whole-value rule: rows whose X or Y is no number
    SkippedCells cellsReadAsZero;  // leading-number rule: X or Y cells without a number

    int PointCount() const { return static_cast<int>(DataPoints.size()); }
    double DataLength() const { return LastPoint - FirstPoint; }
};

// Copies X and Y of every data row whose X and Y cells are not blank, read by
// the grid's cell rule (see CellRule), and tracks the smallest and largest X.
// The point counter is 16-bit: a 32,768th point is an Overflow failure.
AnalysisData extractDataPoints(const DataGrid& grid, int xColumn, int yColumn);

// The same data from points read straight from a file, as tesselin-cli reads
// them: any number of them, in file order.
AnalysisData analysisDataOf(std::vector<DataPoint> points);

}  // namespace tesselin
