#include "analysis/column_choice.h"

#include "common/numbers.h"

namespace tesselin {
namespace {

bool inRange(double column, int columns) {
    // columns - 1 is worked out as a whole number and compared as a double.
    return column >= 0 && column <= static_cast<double>(columns - 1);
}

}  // namespace

bool columnChoiceAccepted(std::string_view xText, std::string_view yText, int columns) {
    return inRange(leadingNumberValue(xText), columns) &&
           inRange(leadingNumberValue(yText), columns) && xText != yText;
}

std::optional<ColumnPair> analysisColumns(std::string_view xText, std::string_view yText,
                                          int columns) {
    const auto x = strictWholeNumber(xText);
    const auto y = strictWholeNumber(yText);
    if (!x || !y || !columnChoiceAccepted(xText, yText, columns)) {
        return std::nullopt;
    }
    return ColumnPair{static_cast<int>(*x), static_cast<int>(*y)};
}

}  // namespace tesselin
