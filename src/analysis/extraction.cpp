#include "analysis/extraction.h"

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/numbers.h"

namespace tesselin {

AnalysisData extractDataPoints(const DataGrid& grid, int xColumn, int yColumn) {
    std::vector<DataPoint> points;
    for (int r = 1; r < grid.Rows(); ++r) {
        const std::string_view xText = grid.TextMatrix(r, xColumn);
        const std::string_view yText = grid.TextMatrix(r, yColumn);
        if (isBlankCell(xText) || isBlankCell(yText)) {
            continue;
        }
        if (points.size() == static_cast<std::size_t>(kMaxCounter)) {
            throw Failure(FailureNumber::Overflow,
                          "Overflow: the data set has more than " + std::to_string(kMaxCounter) +
                              " points (at data row " + std::to_string(r) + ")");
        }
        points.push_back({leadingNumberValue(xText), leadingNumberValue(yText)});
    }
    return analysisDataOf(std::move(points));
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
