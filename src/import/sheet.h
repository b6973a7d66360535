#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"

namespace tesselin {

// Receives the cells of a sheet: row and column counted from 0, and the text
// the data grid shows for the cell.
using CellSink =
    std::function<void(std::uint32_t row, std::uint32_t column, std::string_view text)>;

struct SheetExtent {
    std::uint32_t rows = 0;     // one past the last row that holds a cell
    std::uint32_t columns = 0;  // one past the last column that holds a cell
};

// A sheet read into a table (no caption row), from A1 to its last cell. The
// reader gets the sink and gives back the extent; rows from mostRows on are
// counted by it but not kept. A sheet of more rows is an Overflow failure
// (worded by `tooManyRows`); cells beyond the memory budget are Out of memory.
DataGrid tableOfSheet(const std::function<SheetExtent(const CellSink&)>& read,
                      std::uint32_t mostRows, std::size_t memoryBudget,
                      const std::function<Failure(std::uint32_t rows)>& tooManyRows);

// The Overflow failure of a data set that the window cannot take (rows of
// data, after any header), which points to the batch companion.
Failure tooManyRowsForTheWindow(std::string_view name, std::uint64_t rows);

// The limits of an .xlsx or .ods sheet.
inline constexpr std::uint32_t kSheetRows = 1'048'576;
inline constexpr std::uint32_t kSheetColumns = 16'384;

// The kinds of workbook the helper reads; Any takes whatever the file holds.
enum class SpreadsheetKind { Xls, Xlsx, Ods, Any };

std::string_view spreadsheetKindName(SpreadsheetKind kind);  // "xls", "xlsx", "ods", "any"
// The kind as messages name it: "an Excel 2007 or later workbook (.xlsx)";
// "a workbook (.xls, .xlsx or .ods)" for Any.
std::string describeKind(SpreadsheetKind kind);
std::optional<SpreadsheetKind> spreadsheetKindNamed(std::string_view name);

struct SheetTable {
    DataGrid table;                               // no caption row
    SpreadsheetKind kind = SpreadsheetKind::Xls;  // what the file proved to be
};

// Puts a workbook's table into the data grid below the caption row "Col. 0",
// "Col. 1", ... (with the column's name after it where `names` has one); the
// table's rows are moved, not copied. An empty table gives the caption row
// only, with two columns.
void FillGridFromTable(DataGrid& grid, DataGrid WorkbookData,
                       const std::vector<std::string>& names = {});

}  // namespace tesselin
