#pragma once

#include <filesystem>

namespace tesselin {

class DataGrid;

// How a data set is to be read: as the kind the user chose, or (ByContent)
// as what the file holds: a workbook by its signature, else separated values
// for .csv and .tsv files and whitespace text for the others.
enum class DataKind { Text, Xls, Xlsx, Ods, SeparatedValues, ByContent };

// Reads a data set into the data grid and removes its blank rows: text line
// by line, separated values record by record, workbooks by the helper
// process. For separated values and .xlsx and .ods sheets a first row of
// column names becomes part of the captions ("Col. 0 JD"); whitespace text and
// .xls sheets keep their first row as data. What the window cannot hold (more
// than 32,766 rows of data) is refused whole. A file that cannot be read
// leaves the grid as it was; a text file that fails half-way leaves the lines
// read so far, and its blank rows are then not removed. A binary file is
// never read as text, nor a file named as a workbook that is none.
void loadDataSet(DataGrid& grid, const std::filesystem::path& path, DataKind kind);

}  // namespace tesselin
