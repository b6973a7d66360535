#pragma once

#include <string_view>

namespace tesselin {

inline constexpr std::string_view kWindowCaption = "Tesselin Analysis";

// The open dialog's file types, in the order the dialog lists them; the one
// chosen decides how the file is read (the last: by what the file holds).
inline constexpr std::string_view kOpenFilter =
    "Excel (*.xls)|*.xls|Text (*.txt)|*.txt|Excel workbook (*.xlsx)|*.xlsx|"
    "OpenDocument spreadsheet (*.ods)|*.ods|Separated values (*.csv *.tsv)|*.csv *.tsv|"
    "All data files|*.xls *.txt *.xlsx *.ods *.csv *.tsv";

}  // namespace tesselin
