#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataGrid.h"
#include "common/DataPoint.h"
#include "import/sheet.h"
#include "import/text/local_dates.h"

namespace tesselin {

class Progress;

// The two columns of a data set that an analysis takes, read straight from
// its file without a table of its cells: what tesselin-cli analyses, of any
// number of rows.
struct ColumnData {
    std::vector<std::string> names;  // the header's names; none when the first row is data
    std::uint64_t columns = 2;       // the columns of the data set, as the data grid counts them
    // Each row whose two cells are not blank, in file order, read as the
    // data grid's cell rule reads the texts it would show (see CellRule).
    // Empty when a column named is not one of the data set's.
    std::vector<DataPoint> points;
    SkippedCells rowsLeftOut;      // whole-value rule: rows whose X or Y is no number
    SkippedCells cellsReadAsZero;  // leading-number rule: X or Y cells without a number
};

// Which header rule a data set follows: none (whitespace text), the first
// row's (see isHeader), or that of separated values (see separatedHeader).
enum class HeaderRule { None, FirstRow, SeparatedValues };

// The two columns that options name (see columnNamed), of rows that arrive
// in file order: the first rows are kept whole until the header rule has
// decided on them, later rows give their point and are let go.
class ColumnCollector {
public:
    // Separated values also read dates such as "3/1/2024" in the X and Y
    // columns, in the order their column shows or, where every date reads
    // both ways, in `dateOrder` (else AmbiguousDates names `source`).
    ColumnCollector(std::string_view x, std::string_view y, HeaderRule rule,
                    std::string_view source = {}, DateOrder dateOrder = DateOrder::Undecided);

    // The cells of the next row: a std::vector of std::string or std::string_view.
    template <typename Cells>
    void row(const Cells& cells) {
        m_widest = std::max<std::uint64_t>(m_widest, cells.size());
        if (m_rows < m_kept) {
            m_first[m_rows].assign(cells.begin(), cells.end());
            if (++m_rows == m_kept) {
                decide();
            }
            return;
        }
        ++m_rows;
        add(cells);
    }

    // False once the reading can stop: a column is named by a name that the
    // data set's header does not have.
    bool wanting() const noexcept { return !m_hopeless; }

    // The columns and points; the number of columns is at least `fewestColumns`,
    // and two for a data set without cells.
    ColumnData finish(std::uint64_t fewestColumns);

private:
    void decide();
    template <typename Cells>
    void add(const Cells& cells);

    std::string m_xName;
    std::string m_yName;
    HeaderRule m_rule;
    std::uint64_t m_kept;  // the first rows kept until the rule has decided
    std::uint64_t m_rows = 0;
    std::uint64_t m_dataRows = 0;  // not blank, after the header
    std::uint64_t m_widest = 0;
    std::vector<std::string> m_first[3];
    std::string m_xCaption;
    std::string m_yCaption;
    // Dates of the X and Y columns, read once their order is known.
    struct PendingDate {
        std::uint64_t point;  // index in the points
        std::uint32_t row;
        std::uint16_t year;
        std::uint8_t first;
        std::uint8_t second;
        std::int32_t seconds;
        bool isY;
    };
    std::string m_source;
    DateOrder m_dateOrder;
    std::vector<PendingDate> m_dates;
    DateEvidence m_xDates;
    DateEvidence m_yDates;
    void readDates();
    std::optional<std::uint32_t> m_x;
    std::optional<std::uint32_t> m_y;
    bool m_hopeless = false;
    ColumnData m_data;
};

// The most fields a line or record may have in tesselin-cli's reading.
inline constexpr std::size_t kMostFields = std::size_t{1} << 20;

// Whitespace text and separated values, streamed into a collector; the
// progress, if given, counts the bytes read. A line or record of more than
// kMostFields fields is an Overflow failure.
ColumnData readTextColumns(std::istream& in, std::string_view sourceName, std::string_view x,
                           std::string_view y, Progress* progress = nullptr);
ColumnData readSeparatedColumns(std::istream& in, std::string_view sourceName, std::string_view x,
                                std::string_view y, Progress* progress = nullptr,
                                DateOrder dateOrder = DateOrder::Undecided);

// The two columns of a worksheet whose cells may come in any row order (the
// records of .xls and .xlsx files may): the first two rows are kept whole,
// of later rows only the values of the two columns, by row. Which columns
// these are is settled when the first later row begins; a cell of the first
// two rows that comes after that and names other columns asks for the sheet
// to be read once more, with the columns then known.
class SheetColumns {
public:
    // `headerRule`: the first row may be a header, and cells are read by the
    // whole-value rule (.xlsx, .ods); else neither (.xls).
    SheetColumns(std::string_view x, std::string_view y, bool headerRule, std::size_t memoryBudget,
                 std::optional<std::pair<std::uint32_t, std::uint32_t>> known = std::nullopt);

    void cell(std::uint32_t row, std::uint32_t column, std::string_view text);

    // The columns the whole sheet names, if they are not those collected.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> readAgainFor(
        const SheetExtent& extent) const;
    ColumnData finish(const SheetExtent& extent);

private:
    struct Resolved {
        std::vector<std::string> names;
        std::optional<std::uint32_t> x;
        std::optional<std::uint32_t> y;
    };
    Resolved resolve(std::uint32_t rows) const;

    std::string m_xName;
    std::string m_yName;
    bool m_headerRule;
    std::size_t m_memoryBudget;
    std::size_t m_firstBytes = 0;
    std::vector<std::string> m_first[2];
    bool m_fixed = false;
    std::optional<std::uint32_t> m_x;
    std::optional<std::uint32_t> m_y;
    // Rows from the third on: both values, and which of them are not blank.
    std::vector<DataPoint> m_values;
    std::vector<std::uint8_t> m_filled;  // bit 1: X, 2: Y; 4 and 8: X, Y not a number
    // The texts of the first of them by row (a few): the message names one.
    std::map<std::uint32_t, std::pair<std::string, std::uint32_t>> m_firstBad;
};

}  // namespace tesselin
