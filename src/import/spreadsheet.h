#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/DataGrid.h"

namespace tesselin {

namespace xls {
class WorkbookFile;
}

// The kinds of workbook the helper reads; Any takes whatever the file holds.
enum class SpreadsheetKind { Xls, Xlsx, Ods, Any };

std::string_view spreadsheetKindName(SpreadsheetKind kind);  // "xls", "xlsx", "ods", "any"
std::optional<SpreadsheetKind> spreadsheetKindNamed(std::string_view name);

struct SheetTable {
    DataGrid table;                               // no caption row
    SpreadsheetKind kind = SpreadsheetKind::Xls;  // what the file proved to be
};

// Reads the first worksheet of the workbook that an open file holds. A file
// that holds another kind than the one asked for is refused with a message
// that names what it is. Rows beyond mostRows are an Overflow failure.
SheetTable readSpreadsheet(xls::WorkbookFile& file, SpreadsheetKind requested,
                           std::uint32_t mostRows, std::size_t memoryBudget);

}  // namespace tesselin
