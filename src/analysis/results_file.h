#pragma once

#include <string>
#include <string_view>

#include "analysis/results_table.h"

namespace tesselin {

inline constexpr std::size_t kResultsFieldWidth = 15;

// The results file: one line per table row, each cell left-aligned in a field
// of 15 characters, the last character of each line dropped, CR LF after
// every line.
std::string resultsFileText(const ResultsTable& table);

// A cell as it fits its field: a number longer than 15 characters is written
// with as many significant digits as fit, so the columns stay fixed.
std::string fitResultsField(std::string_view cell);

}  // namespace tesselin
