#pragma once

#include <string>
#include <vector>

#include "common/DataGrid.h"

namespace tesselin::testing {

using Table = std::vector<std::vector<std::string>>;

// Every cell of a grid, row by row, for whole-grid comparisons.
inline Table contents(const DataGrid& grid) {
    Table rows;
    for (int r = 0; r < grid.Rows(); ++r) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < grid.Cols(); ++c) {
            row.emplace_back(grid.TextMatrix(r, c));
        }
    }
    return rows;
}

// A grid holding the given rows; the first row sets the number of columns.
inline DataGrid gridOf(const Table& rows) {
    DataGrid grid;
    grid.setRows(static_cast<int>(rows.size()));
    grid.setCols(rows.empty() ? 0 : static_cast<int>(rows[0].size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            grid.setTextMatrix(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
        }
    }
    return grid;
}

}  // namespace tesselin::testing
