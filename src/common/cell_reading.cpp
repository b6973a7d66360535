#include "common/cell_reading.h"

#include <utility>

#include "common/numbers.h"

namespace tesselin {

std::optional<DataPoint> readPoint(std::string_view x, std::string_view y, std::uint64_t row,
                                   const std::string& xCaption, const std::string& yCaption,
                                   const CellReading& reading) {
    if (isBlankCell(x) || isBlankCell(y)) {
        return std::nullopt;
    }
    if (reading.rule == CellRule::WholeValue) {
        const auto xValue = strictNumber(x);
        const auto yValue = strictNumber(y);
        if (!xValue || !yValue) {
            reading.rowsLeftOut.add(xValue ? y : x, row, xValue ? yCaption : xCaption);
            return std::nullopt;
        }
        return DataPoint{*xValue, *yValue};
    }
    for (const auto& [text, caption] : {std::pair{x, &xCaption}, std::pair{y, &yCaption}}) {
        if (!hasLeadingNumber(text)) {
            reading.cellsReadAsZero.add(text, row, *caption);
        }
    }
    return DataPoint{leadingNumberValue(x), leadingNumberValue(y)};
}

}  // namespace tesselin
