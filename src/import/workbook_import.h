#pragma once

#include <filesystem>

namespace tesselin {

class DataGrid;

// Reads the first worksheet of an Excel 5.0/95 or 97-2003 workbook (.xls):
// one row per sheet row and one column per sheet column, from A1 to the last
// used cell. Numbers, formula results and dates appear as number text (dates
// as serial numbers of the 1900 date system), texts as UTF-8, empty cells as
// "". Throws a Failure that names the file when it cannot be read; the
// workbook is released in every case.
DataGrid readWorkbook(const std::filesystem::path& path);

// Sizes the data grid from a workbook's table, copies it in below the caption
// row and writes the captions "Col. 0", "Col. 1", ... An empty table gives the
// caption row only, with two columns.
void FillGridFromTable(DataGrid& grid, const DataGrid& WorkbookData);

}  // namespace tesselin
