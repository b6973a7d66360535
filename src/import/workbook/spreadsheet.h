#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "import/sheet.h"

namespace tesselin {

namespace xls {
class WorkbookFile;
}

// Reads the first worksheet of the workbook that an open file holds. A file
// that holds another kind than the one asked for is refused with a message
// that names what it is. Rows beyond mostRows are an Overflow failure.
SheetTable readSpreadsheet(xls::WorkbookFile& file, SpreadsheetKind requested,
                           std::uint32_t mostRows, std::size_t memoryBudget);

// What a workbook file is, whatever it was opened as: its kind, or the
// refusal that names it (encrypted, .xlsb, Excel 2.x to 4.0, no workbook).
SpreadsheetKind describeWorkbook(xls::WorkbookFile& file, std::size_t memoryBudget);

// What the workbook is, refused as readSpreadsheet refuses it.
SpreadsheetKind identifySpreadsheet(xls::WorkbookFile& file, SpreadsheetKind requested,
                                    std::size_t memoryBudget);

// The same sheet cell by cell (see the readers for what each cell shows):
// the kind the file proved to be, and the sheet's extent. Cells of rows from
// mostRows on are counted but not sent. The file may be read again.
struct SheetCells {
    SpreadsheetKind kind = SpreadsheetKind::Xls;
    SheetExtent extent;
};
SheetCells readSpreadsheetCells(xls::WorkbookFile& file, SpreadsheetKind requested,
                                std::uint32_t mostRows, std::size_t memoryBudget,
                                const CellSink& onCell);

}  // namespace tesselin
