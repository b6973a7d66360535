#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/DataGrid.h"

namespace tesselin {

namespace xls {
class WorkbookFile;
}

// Reads the first worksheet of an Excel 5.0/95 or 97-2003 workbook (.xls):
// one row per sheet row and one column per sheet column, from A1 to the last
// used cell (see xls::readFirstWorksheet for what each cell shows). A sheet of
// more than mostRows rows is an Overflow failure; cells beyond the memory
// budget an Out of memory failure. Throws a Failure that names the file when
// it cannot be read. Only the workbook helper reads workbooks this way; the
// program itself asks the helper (readWorkbookIsolated).
DataGrid readWorkbook(xls::WorkbookFile& file, std::uint32_t mostRows = kMaxCounter,
                      std::size_t memoryBudget = DataGrid::kDefaultMemoryBudget);
DataGrid readWorkbook(const std::filesystem::path& path, std::uint32_t mostRows = kMaxCounter,
                      std::size_t memoryBudget = DataGrid::kDefaultMemoryBudget);

}  // namespace tesselin
