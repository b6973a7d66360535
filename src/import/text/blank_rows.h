#pragma once

namespace tesselin {

class DataGrid;

// Deletes every blank data row (all cells empty or beginning with a space or
// a tab); the other rows close up and keep their order. The header row is
// never touched.
//
// The row counter is 16-bit: when 32,767 non-blank rows have been kept and
// the counter would move past the last of them, the removal ends with an
// Overflow failure, leaving the rows after that point unexamined.
void RemoveBlankRows(DataGrid& grid);

}  // namespace tesselin
