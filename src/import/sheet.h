#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/DataGrid.h"
#include "common/Failure.h"

namespace tesselin {

// Receives the cells of a sheet: row and column counted from 0, and the text
// the data grid shows for the cell.
using CellSink =
    std::function<void(std::uint32_t row, std::uint32_t column, std::string_view text)>;

struct SheetExtent {
    std::uint32_t rows = 0;     // one past the last row that holds a cell
    std::uint32_t columns = 0;  // one past the last column that holds a cell
};

// A sheet read into a table (no caption row), from A1 to its last cell. The
// reader gets the sink and gives back the extent; rows from mostRows on are
// counted by it but not kept. A sheet of more rows is an Overflow failure
// (worded by `tooManyRows`); cells beyond the memory budget are Out of memory.
DataGrid tableOfSheet(const std::function<SheetExtent(const CellSink&)>& read,
                      std::uint32_t mostRows, std::size_t memoryBudget,
                      const std::function<Failure(std::uint32_t rows)>& tooManyRows);

// The Overflow failure of a data set that the window cannot take (rows of
// data, after any header), which points to the batch companion.
Failure tooManyRowsForTheWindow(std::string_view name, std::uint64_t rows);

}  // namespace tesselin
