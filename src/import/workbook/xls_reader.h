#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "import/sheet.h"

namespace tesselin::xls {

// Reads the first worksheet, in workbook order, of an Excel 5.0/95 (BIFF5) or
// 97-2003 (BIFF8) workbook stream; macro sheets, chart sheets, dialog sheets
// and VB modules are passed over. Every cell goes to onCell in the order of
// its records, as the data grid shows it: numbers as number text (NaN as an
// empty cell), numbers under a date or time format as serial numbers of the
// 1900 date system (a 1904-system workbook is converted), texts as UTF-8,
// Booleans as TRUE or FALSE, formula cells as their stored result (an error
// or an empty result as an empty cell). Empty cells that carry a format come
// with an empty text, so that the extent takes them in. Cells of rows from
// mostRows on are counted in the extent but not sent.
//
// The stream is checked as it is read: a record that runs past the stream, a
// sheet without its end record, a record inside a sheet that starts another
// sheet, a record longer than the format allows, and a shared string, its
// length or its index beyond what the records hold each make a damaged
// workbook (a Failure that says what and where), never a partial sheet. A
// workbook protected by a password is refused.
SheetExtent readFirstWorksheet(std::span<const std::uint8_t> stream, const std::string& name,
                               std::uint32_t mostRows, const CellSink& onCell);

// Whether the workbook stream's globals hold a FILEPASS record: the workbook
// is encrypted. A stream that cannot be walked is not called encrypted here.
bool isEncrypted(std::span<const std::uint8_t> stream);

// True for a number format code that shows a date or a time ("YYYY-MM-DD",
// "h:mm", "[h]:mm:ss"), false for numbers, text and "General".
bool isDateFormat(std::string_view code);

}  // namespace tesselin::xls
