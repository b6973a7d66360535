#pragma once

#include <optional>
#include <string_view>

namespace tesselin {

inline constexpr std::string_view kInvalidColumnsText =
    "Please enter valid column numbers to be plotted.";
inline constexpr std::string_view kInvalidColumnsTitle = "Invalid Numerical Choice";

// The column choice check of the Graph button: both texts, read by their
// leading-number value, lie in 0 .. columns - 1, and the two texts differ.
bool columnChoiceAccepted(std::string_view xText, std::string_view yText, int columns);

struct ColumnPair {
    int x = 0;
    int y = 0;
};

// The check of the analysis: the same, and each text must read wholly as a
// number; gives the column numbers (rounded half to even) when accepted.
std::optional<ColumnPair> analysisColumns(std::string_view xText, std::string_view yText,
                                          int columns);

}  // namespace tesselin
