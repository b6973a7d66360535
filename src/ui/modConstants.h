#pragma once

#include <string_view>

namespace tesselin {

inline constexpr std::string_view kWindowCaption = "Tesselin Analysis";

inline constexpr std::string_view kOpenFilter = "Excel (*.xls)|*.xls|Text (*.txt)|*.txt";
inline constexpr int kExcelFilter = 1;
inline constexpr int kTextFilter = 2;

}  // namespace tesselin
