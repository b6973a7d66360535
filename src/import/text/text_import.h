#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string_view>
#include <vector>

#include "common/DataGrid.h"

namespace tesselin {

// Reads a text file of whitespace-separated columns into the data grid: one
// data row per line, one column per field. A line ends at CR, CR LF or LF; the
// last line needs no terminator. A UTF-8 byte-order mark is dropped and UTF-16
// text (with its mark) is converted to UTF-8. A file that cannot be opened leaves the grid
// untouched; once reading has begun, a failure leaves the lines read so far.
//
// Row and field numbers are 16-bit: after line 32,767 has been placed the
// import ends with an Overflow failure (a file of up to 32,766 lines imports
// completely), and so does the 32,768th field of a line, which is not placed.
void LoadTextFile(DataGrid& grid, const std::filesystem::path& path);

// The same import from any stream; sourceName names it in failure messages.
// A caller without the window's limit (tesselin-cli --table) may allow more
// lines than the window's 32,766.
void loadTextStream(DataGrid& grid, std::istream& in, std::string_view sourceName,
                    std::int32_t mostLines = kMaxCounter - 1);
void loadTextFile(DataGrid& grid, const std::filesystem::path& path, std::int32_t mostLines);

// Puts the fields of a line into `fields`: the maximal runs of characters
// other than space and tab, at most `most` of them. False when the line has
// more.
bool splitFields(std::string_view line, std::vector<std::string_view>& fields, std::size_t most);

// Appends one row to the grid and fills row `row` with the fields of a line:
// the maximal runs of characters other than space and tab. New columns get
// their "Col. k" caption.
void SplitLineIntoRow(DataGrid& grid, std::string_view line, std::int16_t row);

}  // namespace tesselin
