#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tesselin {

// The data grid: the loaded data set as a rectangular table of texts. Row 0
// holds the column captions, rows 1 to Rows() - 1 are data rows; every column
// is a data column. Cells hold the bytes the import produced, never parsed.
//
// Storage is compact: each row keeps its cell texts back to back in one
// buffer, with one 32-bit end offset per cell. Cells to the right of a row's
// last stored cell are empty without taking any memory, so ragged files cost
// what their text costs, not rows times columns.
//
// The cells may take at most kDefaultMemoryBudget bytes (texts plus four bytes
// per stored cell); a change beyond that is refused with an Out of memory
// failure, so that a huge file cannot exhaust the computer's memory.
// How a cell of the X or Y column becomes a number. Whitespace text and .xls
// sheets keep the leading-number rule ("12abc" is 12, "NA" is 0), on which
// saved work relies; separated values, .xlsx and .ods take a cell only when
// it is wholly a number (dates arrive as serial numbers), and leave a row
// out when its X or Y cell is anything else ("NA", "n/a", "-", a misspelt
// date).
enum class CellRule { LeadingNumber, WholeValue };

class DataGrid {
public:
    static constexpr std::size_t kDefaultMemoryBudget = std::size_t{2} << 30;  // 2 GiB

    // The state before any import: two rows and two columns, every cell empty.
    DataGrid();

    int Rows() const noexcept { return static_cast<int>(m_rows.size()); }
    int Cols() const noexcept { return m_cols; }

    // Growing appends empty rows or columns; shrinking drops them from the
    // bottom or right. Cells that remain keep their text.
    void setRows(int rows);
    void setCols(int cols);

    std::string_view TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, std::string_view text);

    // Replaces the cells of one row by the given texts, from column 0 on; the
    // row's remaining cells become empty. Requires cells.size() <= Cols().
    void setRowCells(int row, std::span<const std::string_view> cells);

    // Makes row `row` a copy of row `sourceRow` of another grid with no more
    // columns than this one.
    void copyRow(int row, const DataGrid& source, int sourceRow);

    // Deletes one row; the rows below move up.
    void RemoveItem(int row);

    // Inserts an empty row before row `row` (or at the end, for Rows()); the
    // rows from there on move down.
    void insertRow(int row);

    // Deletes every row whose flag is set (flags has one entry per row) in one
    // pass; the remaining rows close up and keep their order.
    void removeMarkedRows(const std::vector<bool>& marked);

    // How many cells of the row, from column 0, are stored: those after them
    // are empty.
    int storedCells(int row) const;

    // True when every cell of the row, in columns 0 to Cols() - 1, is blank.
    bool isBlankRow(int row) const;

    // The bytes the cells take, and the most they may take.
    std::size_t memoryUsed() const noexcept { return m_memoryUsed; }

    // How the data set's cells read as numbers; the import that fills the
    // grid sets it.
    CellRule cellRule() const noexcept { return m_cellRule; }
    void setCellRule(CellRule rule) noexcept { m_cellRule = rule; }
    std::size_t memoryBudget() const noexcept { return m_memoryBudget; }
    void setMemoryBudget(std::size_t bytes) noexcept { m_memoryBudget = bytes; }

private:
    struct Row {
        std::string text;                 // the cells' bytes, back to back
        std::vector<std::uint32_t> ends;  // end offset of each stored cell
        std::string_view cell(std::size_t col) const;
    };

    void checkCell(int row, int col) const;
    void checkRow(int row) const;
    static std::size_t footprint(const Row& row);
    void account(std::size_t before, std::size_t after);

    std::vector<Row> m_rows;
    int m_cols = 0;
    std::size_t m_memoryUsed = 0;
    std::size_t m_memoryBudget = kDefaultMemoryBudget;
    CellRule m_cellRule = CellRule::LeadingNumber;
};

// The imports count rows, columns and points with 16-bit integers: a data set
// has at most this many data rows, and a line at most this many fields.
inline constexpr std::int32_t kMaxCounter = 32767;

// The caption of data grid column `col`: "Col. 0", "Col. 1", ...
inline std::string columnCaption(int col) {
    return "Col. " + std::to_string(col);
}

// A cell that is empty or begins with a space or a tab carries no value.
inline bool isBlankCell(std::string_view text) noexcept {
    return text.empty() || text.front() == ' ' || text.front() == '\t';
}

}  // namespace tesselin
