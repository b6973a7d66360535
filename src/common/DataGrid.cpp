#include "common/DataGrid.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "common/Failure.h"

namespace tesselin {
namespace {

[[noreturn]] void throwOutOfRange(const char* what, int value) {
    throw Failure(FailureNumber::SubscriptOutOfRange, std::string("Subscript out of range: ") +
                                                          what + " " + std::to_string(value) +
                                                          " is not in the data grid");
}

std::uint32_t checkedOffset(std::size_t offset) {
    if (offset > std::numeric_limits<std::uint32_t>::max()) {
        throw Failure(FailureNumber::OutOfMemory,
                      "Out of memory: a row of the data grid holds more than 4 GB of text");
    }
    return static_cast<std::uint32_t>(offset);
}

}  // namespace

std::string_view DataGrid::Row::cell(std::size_t col) const {
    if (col >= ends.size()) {
        return {};
    }
    const std::size_t begin = col == 0 ? 0 : ends[col - 1];
    return std::string_view(text).substr(begin, ends[col] - begin);
}

DataGrid::DataGrid() : m_rows(2), m_cols(2) {}

std::size_t DataGrid::footprint(const Row& row) {
    return row.text.size() + row.ends.size() * sizeof(std::uint32_t);
}

// Records a row's change of size; refuses one that would pass the budget
// (the caller has not changed the row yet when it asks with a larger size).
void DataGrid::account(std::size_t before, std::size_t after) {
    if (after > before && m_memoryUsed - before + after > m_memoryBudget) {
        throw Failure(FailureNumber::OutOfMemory,
                      "Out of memory: the data set needs more than the " +
                          std::to_string(m_memoryBudget >> 20) + " MB that the data grid may use");
    }
    m_memoryUsed = m_memoryUsed - before + after;
}

void DataGrid::setRows(int rows) {
    if (rows < 0) {
        throw Failure(FailureNumber::InvalidArgument,
                      "Invalid procedure call or argument: " + std::to_string(rows) +
                          " rows requested for the data grid");
    }
    for (std::size_t r = static_cast<std::size_t>(rows); r < m_rows.size(); ++r) {
        m_memoryUsed -= footprint(m_rows[r]);
    }
    m_rows.resize(static_cast<std::size_t>(rows));
}

void DataGrid::setCols(int cols) {
    if (cols < 0) {
        throw Failure(FailureNumber::InvalidArgument,
                      "Invalid procedure call or argument: " + std::to_string(cols) +
                          " columns requested for the data grid");
    }
    if (cols < m_cols) {
        const auto kept = static_cast<std::size_t>(cols);
        for (Row& row : m_rows) {
            if (row.ends.size() > kept) {
                const std::size_t before = footprint(row);
                row.ends.resize(kept);
                row.text.resize(kept == 0 ? 0 : row.ends.back());
                m_memoryUsed = m_memoryUsed - before + footprint(row);
            }
        }
    }
    m_cols = cols;
}

void DataGrid::checkRow(int row) const {
    if (row < 0 || row >= Rows()) {
        throwOutOfRange("row", row);
    }
}

void DataGrid::checkCell(int row, int col) const {
    checkRow(row);
    if (col < 0 || col >= m_cols) {
        throwOutOfRange("column", col);
    }
}

std::string_view DataGrid::TextMatrix(int row, int col) const {
    checkCell(row, col);
    return m_rows[static_cast<std::size_t>(row)].cell(static_cast<std::size_t>(col));
}

void DataGrid::setTextMatrix(int row, int col, std::string_view text) {
    checkCell(row, col);
    Row& r = m_rows[static_cast<std::size_t>(row)];
    const auto c = static_cast<std::size_t>(col);
    if (c >= r.ends.size()) {
        if (text.empty()) {
            return;  // already empty, and storing it would cost memory
        }
        account(footprint(r),
                footprint(r) + text.size() + (c + 1 - r.ends.size()) * sizeof(std::uint32_t));
        // Cells between the last stored one and this one become empty.
        r.ends.resize(c, checkedOffset(r.text.size()));
        r.text.append(text);
        r.ends.push_back(checkedOffset(r.text.size()));
        return;
    }
    const std::size_t begin = c == 0 ? 0 : r.ends[c - 1];
    const std::size_t oldLength = r.ends[c] - begin;
    checkedOffset(r.text.size() - oldLength + text.size());
    account(footprint(r), footprint(r) - oldLength + text.size());
    r.text.replace(begin, oldLength, text);
    const auto shift =
        static_cast<std::int64_t>(text.size()) - static_cast<std::int64_t>(oldLength);
    for (std::size_t k = c; k < r.ends.size(); ++k) {
        r.ends[k] = static_cast<std::uint32_t>(static_cast<std::int64_t>(r.ends[k]) + shift);
    }
}

void DataGrid::setRowCells(int row, std::span<const std::string_view> cells) {
    checkRow(row);
    if (cells.size() > static_cast<std::size_t>(m_cols)) {
        throwOutOfRange("column", static_cast<int>(cells.size()) - 1);
    }
    const std::size_t total =
        std::accumulate(cells.begin(), cells.end(), std::size_t{0},
                        [](std::size_t sum, std::string_view cell) { return sum + cell.size(); });
    checkedOffset(total);
    Row& target = m_rows[static_cast<std::size_t>(row)];
    account(footprint(target), total + cells.size() * sizeof(std::uint32_t));

    Row fresh;
    fresh.text.reserve(total);
    fresh.ends.reserve(cells.size());
    for (const std::string_view cell : cells) {
        fresh.text.append(cell);
        fresh.ends.push_back(static_cast<std::uint32_t>(fresh.text.size()));
    }
    target = std::move(fresh);
}

void DataGrid::copyRow(int row, const DataGrid& source, int sourceRow) {
    checkRow(row);
    source.checkRow(sourceRow);
    if (source.m_cols > m_cols) {
        throwOutOfRange("column", source.m_cols - 1);
    }
    const Row& copied = source.m_rows[static_cast<std::size_t>(sourceRow)];
    Row& target = m_rows[static_cast<std::size_t>(row)];
    account(footprint(target), footprint(copied));
    target = copied;
}

void DataGrid::RemoveItem(int row) {
    checkRow(row);
    m_memoryUsed -= footprint(m_rows[static_cast<std::size_t>(row)]);
    m_rows.erase(m_rows.begin() + row);
}

void DataGrid::insertRow(int row) {
    if (row != Rows()) {
        checkRow(row);
    }
    m_rows.insert(m_rows.begin() + row, Row{});
}

void DataGrid::removeMarkedRows(const std::vector<bool>& marked) {
    std::size_t kept = 0;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (r < marked.size() && marked[r]) {
            m_memoryUsed -= footprint(m_rows[r]);
            continue;
        }
        if (kept != r) {
            m_rows[kept] = std::move(m_rows[r]);
        }
        ++kept;
    }
    m_rows.resize(kept);
}

int DataGrid::storedCells(int row) const {
    checkRow(row);
    const std::size_t stored = m_rows[static_cast<std::size_t>(row)].ends.size();
    return static_cast<int>(std::min(stored, static_cast<std::size_t>(m_cols)));
}

bool DataGrid::isBlankRow(int row) const {
    checkRow(row);
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    // Cells beyond the stored ones are empty, hence blank.
    const std::size_t stored = std::min(r.ends.size(), static_cast<std::size_t>(m_cols));
    for (std::size_t c = 0; c < stored; ++c) {
        if (!isBlankCell(r.cell(c))) {
            return false;
        }
    }
    return true;
}

}  // namespace tesselin
