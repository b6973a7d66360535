#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "import/spreadsheet.h"

namespace tesselin {

// The workbook helper's side ("tesselin-cli --read-workbook FILE KIND ROWS
// BYTES"): opens the file, gives up every right but reading it and writing its
// answer (enterSandbox), reads the first worksheet of a workbook of that kind
// (xls, xlsx, ods, or any) of at most `mostRows` rows and `memoryBudget` bytes
// of cells, and writes the table, or the failure, to standard output.
// Returns the exit status.
int writeWorkbookForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                           std::uint32_t mostRows, std::size_t memoryBudget);

}  // namespace tesselin
