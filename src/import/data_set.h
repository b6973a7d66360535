#pragma once

#include <filesystem>

namespace tesselin {

class DataGrid;

enum class DataKind { Text, Workbook };

// Reads a data set into the data grid and removes its blank rows: a text file
// line by line, or the first worksheet of a workbook, read by the helper
// process. A workbook that cannot be read leaves the grid as it was; a text
// file that fails half-way leaves the lines read so far, and its blank rows
// are then not removed.
void loadDataSet(DataGrid& grid, const std::filesystem::path& path, DataKind kind);

}  // namespace tesselin
