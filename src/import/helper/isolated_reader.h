#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "common/DataGrid.h"
#include "import/column_stream.h"
#include "import/sheet.h"

namespace tesselin {

// Reads the first worksheet of a workbook in the helper process
// ("tesselin-cli --read-workbook"), which gives up every right but reading
// that file before it reads a byte of it; this process never reads workbook
// bytes itself. The table arrives row by row into the table returned, which
// is the only copy this process holds.
//
// A helper that crashes or breaks its sandbox is reported as a fault of the
// reader (never as a damaged file); one that has not answered within its time
// limit (10 s and 1 s per MB of file) as a workbook that cannot be read; one
// that the system ends for lack of memory
// as Out of memory; a helper that cannot be started by name. Failures of the
// helper's reading come back unchanged.
SheetTable readWorkbookIsolated(const std::filesystem::path& path,
                                SpreadsheetKind kind = SpreadsheetKind::Xls,
                                std::uint32_t mostRows = kMaxCounter,
                                std::size_t memoryBudget = DataGrid::kDefaultMemoryBudget);

// The two columns named by x and y (numbers, or names in the header) of the
// first worksheet, read in the same way, without the window's limits: the
// helper sends back only the header's names and the points. It has twice
// the time, as a header that comes last in the file makes it read twice.
ColumnData readColumnsIsolated(const std::filesystem::path& path, SpreadsheetKind kind,
                               std::string_view x, std::string_view y);

// What kind of workbook a file is, asked of the helper; a file that is none
// it reads, or that it refuses by what it is (encrypted, .xlsb, an old
// Excel), is thrown as the helper words it.
SpreadsheetKind describeWorkbookIsolated(const std::filesystem::path& path);

// Where the helper program is (by default tesselin-cli beside this program),
// and the time limit before the allowance per megabyte.
void setWorkbookHelper(std::filesystem::path program,
                       std::chrono::milliseconds baseLimit = std::chrono::seconds(10));

}  // namespace tesselin
