#pragma once

#include <string>
#include <string_view>

#include "analysis/results_table.h"

namespace tesselin {

inline constexpr std::size_t kResultsFieldWidth = 15;
// The most a value takes of its field, so that a space always separates it
// from the next one and readers that split on spaces read every value.
inline constexpr std::size_t kResultsValueWidth = kResultsFieldWidth - 1;

// The results file: one line per table row, each cell left-aligned in a field
// of 15 characters, the last character of each line dropped, CR LF after
// every line.
std::string resultsFileText(const ResultsTable& table);

// A cell as it fits its field: a number longer than 14 characters is written
// with as many significant digits as fit (a 15-digit whole number in the
// exponent form, 7.4999975E+14), so the columns stay fixed and apart.
std::string fitResultsField(std::string_view cell);

}  // namespace tesselin
