#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "import/workbook/spreadsheet.h"

namespace tesselin {

// The workbook helper's side ("tesselin-cli --read-workbook FILE KIND ROWS
// BYTES"): opens the file, gives up every right but reading it and writing its
// answer (enterSandbox), reads the first worksheet of a workbook of that kind
// (xls, xlsx, ods, or any) of at most `mostRows` rows and `memoryBudget` bytes
// of cells, and writes the table, or the failure, to standard output.
// Returns the exit status.
int writeWorkbookForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                           std::uint32_t mostRows, std::size_t memoryBudget);

// What a workbook file is ("tesselin-cli --describe-workbook FILE"): an
// empty table of the kind it proved to be, or the failure that names what it
// is (see describeWorkbook). For the refusal of a workbook opened as text.
int describeWorkbookForParent(const std::filesystem::path& path);

// The same for two columns ("tesselin-cli --read-columns FILE KIND X Y"):
// writes the header's names and the points of the columns that X and Y name
// (see SheetColumns), for sheets of any number of rows the format allows.
int writeColumnsForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                          std::string_view x, std::string_view y);

}  // namespace tesselin
