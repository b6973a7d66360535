#include "import/column_stream.h"

#include <algorithm>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/cell_reading.h"
#include "common/numbers.h"
#include "import/text/column_names.h"
#include "import/text/separated_values.h"
#include "import/text/text_import.h"
#include "import/text/text_source.h"

namespace tesselin {
namespace {

// Columns whose caption a message can name (captions number with an int).
constexpr std::uint32_t kLargestCaptioned = 0x7FFF'FFFF;
// The rows whose cells that did not read are kept with their texts.
constexpr std::size_t kBadRowsKept = 16;

std::uint64_t columnsOf(std::uint64_t rows, std::uint64_t widest, std::uint64_t fewest) {
    return rows == 0 || widest == 0 ? 2 : std::max(widest, fewest);
}

}  // namespace

ColumnCollector::ColumnCollector(std::string_view x, std::string_view y, HeaderRule rule)
    : m_xName(x), m_yName(y), m_rule(rule), m_kept(rule == HeaderRule::SeparatedValues ? 3 : 2) {}

template <typename Cells>
void ColumnCollector::add(const Cells& cells) {
    // Rows numbered as the data grid numbers them, without its blank rows.
    if (std::all_of(cells.begin(), cells.end(),
                    [](const auto& cell) { return isBlankCell(cell); })) {
        return;
    }
    ++m_dataRows;
    if (m_x && m_y && *m_x < cells.size() && *m_y < cells.size()) {
        const CellReading reading{
            m_rule == HeaderRule::SeparatedValues ? CellRule::WholeValue : CellRule::LeadingNumber,
            m_data.rowsLeftOut, m_data.cellsReadAsZero};
        if (const auto point =
                readPoint(cells[*m_x], cells[*m_y], m_dataRows, m_xCaption, m_yCaption, reading)) {
            m_data.points.push_back(*point);
        }
    }
}

void ColumnCollector::decide() {
    std::uint64_t headerRows = 0;
    if (m_rule == HeaderRule::SeparatedValues) {
        const SeparatedHeader header = separatedHeader(
            std::vector<std::vector<std::string>>(m_first, m_first + std::min(m_rows, m_kept)));
        m_data.names = header.names;
        headerRows = header.rows;
    } else if (m_rule == HeaderRule::FirstRow && m_rows >= 2 && isHeader(m_first[0], m_first[1])) {
        m_data.names = m_first[0];
        headerRows = 1;
    }
    m_x = columnNamed(m_xName, m_data.names);
    m_y = columnNamed(m_yName, m_data.names);
    m_hopeless = (!m_x && !strictNumber(m_xName)) || (!m_y && !strictNumber(m_yName));
    if (m_x && m_y && *m_x <= kLargestCaptioned && *m_y <= kLargestCaptioned) {
        m_xCaption = namedCaption(static_cast<int>(*m_x), m_data.names);
        m_yCaption = namedCaption(static_cast<int>(*m_y), m_data.names);
    }
    for (std::uint64_t r = headerRows; r < std::min(m_rows, m_kept); ++r) {
        add(m_first[r]);
    }
    for (auto& row : m_first) {
        row = {};
    }
}

ColumnData ColumnCollector::finish(std::uint64_t fewestColumns) {
    if (m_rows < m_kept) {
        decide();
    }
    m_data.columns = columnsOf(m_rows, m_widest, fewestColumns);
    return std::move(m_data);
}

ColumnData readTextColumns(std::istream& in, std::string_view sourceName, std::string_view x,
                           std::string_view y, Progress* progress) {
    TextSource source(in, sourceName);
    source.reportTo(progress);
    LineReader lines(source, DataGrid::kDefaultMemoryBudget);
    ColumnCollector collector(x, y, HeaderRule::None);
    std::vector<std::string_view> fields;
    std::uint64_t number = 0;
    for (std::string_view line; collector.wanting() && lines.next(line);) {
        ++number;
        if (!splitFields(line, fields, kMostFields)) {
            throw Failure::overflow("Overflow: line " + std::to_string(number) + " of " +
                                    std::string(sourceName) + " has more than " +
                                    std::to_string(kMostFields) + " fields");
        }
        collector.row(fields);
    }
    return collector.finish(2);  // the data grid starts with two columns
}

ColumnData readSeparatedColumns(std::istream& in, std::string_view sourceName, std::string_view x,
                                std::string_view y, Progress* progress) {
    TextSource source(in, sourceName);
    source.reportTo(progress);
    SeparatedValues records(source, DataGrid::kDefaultMemoryBudget, kMostFields);
    ColumnCollector collector(x, y, HeaderRule::SeparatedValues);
    std::vector<std::string> fields;
    while (collector.wanting() && records.next(fields)) {
        collector.row(fields);
    }
    return collector.finish(1);
}

SheetColumns::SheetColumns(std::string_view x, std::string_view y, bool headerRule,
                           std::size_t memoryBudget,
                           std::optional<std::pair<std::uint32_t, std::uint32_t>> known)
    : m_xName(x), m_yName(y), m_headerRule(headerRule), m_memoryBudget(memoryBudget) {
    if (known) {
        m_fixed = true;
        m_x = known->first;
        m_y = known->second;
    }
}

SheetColumns::Resolved SheetColumns::resolve(std::uint32_t rows) const {
    Resolved resolved;
    if (m_headerRule && rows >= 2 && isHeader(m_first[0], m_first[1])) {
        resolved.names = m_first[0];
    }
    resolved.x = columnNamed(m_xName, resolved.names);
    resolved.y = columnNamed(m_yName, resolved.names);
    return resolved;
}

void SheetColumns::cell(std::uint32_t row, std::uint32_t column, std::string_view text) {
    if (row < 2) {
        // Kept whole: the header rule and the names need them.
        std::vector<std::string>& cells = m_first[row];
        if (column >= cells.size()) {
            cells.resize(std::size_t{column} + 1);
        }
        m_firstBytes += text.size() + sizeof(std::string);
        if (m_firstBytes > m_memoryBudget) {
            throw Failure::outOfMemory(
                "Out of memory: the first rows of the sheet hold more "
                "than the reader may use");
        }
        cells[column] = text;
        return;
    }
    if (!m_fixed) {
        const Resolved resolved = resolve(row + 1);
        m_x = resolved.x;
        m_y = resolved.y;
        m_fixed = true;
    }
    const int which = (column == m_x ? 1 : 0) | (column == m_y ? 2 : 0);
    if (which == 0) {
        return;
    }
    const std::size_t at = row - 2;
    if (at >= m_values.size()) {
        m_values.resize(at + 1);
        m_filled.resize(at + 1);
    }
    const bool blank = isBlankCell(text);
    std::optional<double> value = blank ? 0.0 : leadingNumberValue(text);
    if (m_headerRule && !blank) {
        value = strictNumber(text);
    } else if (!blank && !hasLeadingNumber(text)) {
        value.reset();  // read as 0, and counted
    }
    if (which & 1) {
        m_values[at].x = value.value_or(0.0);
    }
    if (which & 2) {
        m_values[at].y = value.value_or(0.0);
    }
    const auto bits = static_cast<std::uint8_t>(which | (value || blank ? 0 : which << 2));
    const auto cleared = static_cast<std::uint8_t>(m_filled[at] & ~(which | which << 2));
    m_filled[at] = blank ? cleared : static_cast<std::uint8_t>(cleared | bits);
    if (!blank && !value) {
        // The text of a cell that did not read, for the first rows only.
        m_firstBad[row] = {std::string(text.substr(0, SkippedCells::kShownBytes)), column};
        if (m_firstBad.size() > kBadRowsKept) {
            m_firstBad.erase(std::prev(m_firstBad.end()));
        }
    }
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> SheetColumns::readAgainFor(
    const SheetExtent& extent) const {
    const Resolved resolved = resolve(extent.rows);
    if (!m_fixed || !resolved.x || !resolved.y || (resolved.x == m_x && resolved.y == m_y)) {
        return std::nullopt;
    }
    return std::pair(*resolved.x, *resolved.y);
}

ColumnData SheetColumns::finish(const SheetExtent& extent) {
    Resolved resolved = resolve(extent.rows);
    ColumnData data;
    data.columns = columnsOf(extent.rows, extent.columns, 1);
    data.names = std::move(resolved.names);
    if (!resolved.x || !resolved.y) {
        return data;
    }
    const std::uint32_t x = *resolved.x;
    const std::uint32_t y = *resolved.y;
    const std::uint32_t headerRows = data.names.empty() ? 0 : 1;
    const std::string xCaption =
        x <= kLargestCaptioned ? namedCaption(static_cast<int>(x), data.names) : std::string();
    const std::string yCaption =
        y <= kLargestCaptioned ? namedCaption(static_cast<int>(y), data.names) : std::string();
    const CellReading reading{m_headerRule ? CellRule::WholeValue : CellRule::LeadingNumber,
                              data.rowsLeftOut, data.cellsReadAsZero};
    for (std::uint32_t r = headerRows; r < std::min<std::uint32_t>(extent.rows, 2); ++r) {
        const std::vector<std::string>& cells = m_first[r];
        if (x < cells.size() && y < cells.size()) {
            if (const auto point = readPoint(cells[x], cells[y], r + 1 - headerRows, xCaption,
                                             yCaption, reading)) {
                data.points.push_back(*point);
            }
        }
    }
    if (m_fixed && m_x == x && m_y == y) {
        data.points.reserve(data.points.size() + m_values.size());
        SkippedCells& skipped = m_headerRule ? data.rowsLeftOut : data.cellsReadAsZero;
        for (std::size_t at = 0; at < m_values.size(); ++at) {
            const std::uint8_t filled = m_filled[at] & 3;
            const bool bad = (m_filled[at] & 12) != 0;
            const bool both = filled == 3 || (x == y && filled != 0);
            if (both && bad) {
                const auto row = static_cast<std::uint32_t>(at + 2);
                const auto first = m_firstBad.find(row);
                if (first != m_firstBad.end()) {
                    skipped.add(first->second.first, row + 1 - headerRows,
                                first->second.second == x ? xCaption : yCaption);
                } else {
                    skipped.add({}, row + 1 - headerRows, {});
                }
                if (m_headerRule) {
                    continue;  // left out; under the leading-number rule read as 0
                }
            }
            if (both) {
                data.points.push_back(m_values[at]);
            }
        }
    }
    m_values = {};
    m_filled = {};
    return data;
}

}  // namespace tesselin
