#include "analysis/extraction.h"

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/numbers.h"

namespace tesselin {

AnalysisData extractDataPoints(const DataGrid& grid, int xColumn, int yColumn) {
    AnalysisData data;
    for (int r = 1; r < grid.Rows(); ++r) {
        const std::string_view xText = grid.TextMatrix(r, xColumn);
        const std::string_view yText = grid.TextMatrix(r, yColumn);
        if (isBlankCell(xText) || isBlankCell(yText)) {
            continue;
        }
        if (data.PointCount() == kMaxCounter) {
            throw Failure(FailureNumber::Overflow,
                          "Overflow: the data set has more than " + std::to_string(kMaxCounter) +
                              " points (at data row " + std::to_string(r) + ")");
        }
        const DataPoint point{leadingNumberValue(xText), leadingNumberValue(yText)};
        data.DataPoints.push_back(point);
        if (point.x > data.LastPoint) {
            data.LastPoint = point.x;
        }
        if (point.x < data.FirstPoint) {
            data.FirstPoint = point.x;
        }
    }
    return data;
}

}  // namespace tesselin
