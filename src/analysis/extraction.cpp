#include "analysis/extraction.h"

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/numbers.h"

namespace tesselin {

AnalysisData extractDataPoints(const DataGrid& grid, int xColumn, int yColumn) {
    std::vector<DataPoint> points;
    SkippedCells leftOut;
    SkippedCells readAsZero;
    const CellReading reading{grid.cellRule(), leftOut, readAsZero};
    const std::string xCaption(grid.TextMatrix(0, xColumn));
    const std::string yCaption(grid.TextMatrix(0, yColumn));
    for (int r = 1; r < grid.Rows(); ++r) {
        const auto point = readPoint(grid.TextMatrix(r, xColumn), grid.TextMatrix(r, yColumn),
                                     static_cast<std::uint64_t>(r), xCaption, yCaption, reading);
        if (!point) {
            continue;
        }
        if (points.size() == static_cast<std::size_t>(kMaxCounter)) {
            throw Failure(FailureNumber::Overflow,
                          "Overflow: the data set has more than " + std::to_string(kMaxCounter) +
                              " points (at data row " + std::to_string(r) + ")");
        }
        points.push_back(*point);
    }
    AnalysisData data = analysisDataOf(std::move(points));
    data.rowsLeftOut = std::move(leftOut);
    data.cellsReadAsZero = std::move(readAsZero);
    return data;
}

AnalysisData analysisDataOf(std::vector<DataPoint> points) {
    AnalysisData data;
    if (!points.empty()) {
        data.FirstPoint = points.front().x;
        data.LastPoint = points.front().x;
    }
    for (const DataPoint& point : points) {
        if (point.x > data.LastPoint) {
            data.LastPoint = point.x;
        }
        if (point.x < data.FirstPoint) {
            data.FirstPoint = point.x;
        }
    }
    data.DataPoints = std::move(points);
    return data;
}

}  // namespace tesselin
