#pragma once

#include <cstdint>
#include <string>

#include "import/sheet.h"

namespace tesselin {

class ZipArchive;

// Reads the first worksheet, in workbook order, of an Excel 2007 or later
// workbook (.xlsx): chart sheets, macro sheets and dialog sheets are passed
// over. Cells go to onCell as the data grid shows them: numbers as number
// text, numbers under a date or time format (and ISO 8601 texts) as serial
// numbers of the 1900 date system (date1904 workbooks converted), shared and
// inline strings as UTF-8, Booleans as TRUE or FALSE, errors and formulas
// without a stored result as empty cells. Cells of rows from mostRows on are
// counted but not sent. Malformed or hostile content is a damaged workbook.
SheetExtent readFirstXlsxWorksheet(const ZipArchive& archive, std::uint32_t mostRows,
                                   const CellSink& onCell);

// The workbook part of an .xlsx package: the one its relationships name
// (_rels/.rels), else xl/workbook.xml.
std::string xlsxWorkbookPart(const ZipArchive& archive);

// Reads the first table of an OpenDocument spreadsheet (.ods) in the same
// way: office:value numbers, date-value and time-value as serial numbers,
// boolean-value as TRUE or FALSE, texts from their paragraphs, errors as
// empty cells. Repeated rows and cells are repeated; repeated empty ones cost
// nothing, and repeats beyond the format's 1,048,576 rows and 16,384 columns
// are damage.
SheetExtent readFirstOdsTable(const ZipArchive& archive, std::uint32_t mostRows,
                              const CellSink& onCell);

}  // namespace tesselin
