#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string_view>

#include "common/DataGrid.h"
#include "import/column_stream.h"
#include "import/text/local_dates.h"

namespace tesselin {

// How a data set is to be read: as the kind the user chose, or (ByContent)
// as what the file holds: a workbook by its signature, else separated values
// for .csv and .tsv files and whitespace text for the others.
enum class DataKind { Text, Xls, Xlsx, Ods, SeparatedValues, ByContent };

// Reads a data set into the data grid and removes its blank rows: text line
// by line, separated values record by record, workbooks by the helper
// process. For separated values and .xlsx and .ods sheets a first row of
// column names becomes part of the captions ("Col. 0 JD"); whitespace text and
// .xls sheets keep their first row as data. What the window cannot hold (more
// than 32,766 rows of data) is refused whole. A file that cannot be read, or
// fails half-way, leaves the grid as it was. A binary file is never read as
// text, nor a file named as a workbook that is none.
//
// Dates of separated values such as "3/1/2024" are read in the order their
// column shows; where every date of a column reads both ways, in the order
// the options give, else the import fails with AmbiguousDates (which the
// window answers by asking).
struct LoadOptions {
    // The window's limit of data rows; tesselin-cli --table reads every row
    // the format allows (kWithoutWindowLimit).
    std::int32_t mostRows = kMaxCounter - 1;
    DateOrder dateOrder = DateOrder::Undecided;
};
inline constexpr std::int32_t kWithoutWindowLimit = std::numeric_limits<std::int32_t>::max() - 1;
void loadDataSet(DataGrid& grid, const std::filesystem::path& path, DataKind kind,
                 const LoadOptions& options = {});

// The two columns that x and y name (numbers, or names in the header) of a
// data set of any size, read as loadDataSet reads it but straight into points
// (see ColumnData): what tesselin-cli analyses. Workbooks are read by the
// helper process, up to the rows their format allows. The progress, if
// given, counts the bytes of text files read.
ColumnData readColumns(const std::filesystem::path& path, DataKind kind, std::string_view x,
                       std::string_view y, Progress* progress = nullptr,
                       DateOrder dateOrder = DateOrder::Undecided);

}  // namespace tesselin
