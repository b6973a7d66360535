#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselin {

inline constexpr std::string_view kWindowCaption = "Tesselin Analysis";

// Row, column and point counters are 16-bit: a data set has at most this many
// data rows, and a line at most this many fields.
inline constexpr std::int32_t kMaxCounter = 32767;

inline constexpr std::string_view kOpenFilter = "Excel (*.xls)|*.xls|Text (*.txt)|*.txt";
inline constexpr int kExcelFilter = 1;
inline constexpr int kTextFilter = 2;

// The caption of data grid column `col`: "Col. 0", "Col. 1", ...
inline std::string columnCaption(int col) {
    return "Col. " + std::to_string(col);
}

}  // namespace tesselin
