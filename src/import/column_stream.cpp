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

ColumnCollector::ColumnCollector(std::string_view x, std::string_view y, HeaderRule rule,
                                 std::string_view source, DateOrder dateOrder)
    : m_xName(x),
      m_yName(y),
      m_rule(rule),
      m_kept(rule == HeaderRule::SeparatedValues ? 3 : 2),
      m_source(source),
      m_dateOrder(dateOrder) {}

template <typename Cells>
void ColumnCollector::add(const Cells& cells) {
    // Rows numbered as the data grid numbers them, without its blank rows.
    if (std::all_of(cells.begin(), cells.end(),
                    [](const auto& cell) { return isBlankCell(cell); })) {
        return;
    }
    ++m_dataRows;
    if (m_x && m_y && *m_x < cells.size() && *m_y < cells.size()) {
        const bool separated = m_rule == HeaderRule::SeparatedValues;
        const CellReading reading{separated ? CellRule::WholeValue : CellRule::LeadingNumber,
                                  m_data.rowsLeftOut, m_data.cellsReadAsZero};
        std::string_view texts[2] = {cells[*m_x], cells[*m_y]};
        std::optional<LocalDate> dates[2];
        for (int k = 0; separated && k < 2; ++k) {
            if ((dates[k] = localDate(texts[k]))) {
                (k == 0 ? m_xDates : m_yDates).see(*dates[k], texts[k]);
                texts[k] = "0";  // its value comes once the column's order is known
            }
        }
        if (const auto point =
                readPoint(texts[0], texts[1], m_dataRows, m_xCaption, m_yCaption, reading)) {
            for (int k = 0; k < 2; ++k) {
                if (dates[k]) {
                    m_dates.push_back({m_data.points.size(), static_cast<std::uint32_t>(m_dataRows),
                                       static_cast<std::uint16_t>(dates[k]->year),
                                       static_cast<std::uint8_t>(dates[k]->first),
                                       static_cast<std::uint8_t>(dates[k]->second),
                                       static_cast<std::int32_t>(dates[k]->seconds), k == 1});
                }
            }
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

void ColumnCollector::readDates() {
    if (m_dates.empty()) {
        return;
    }
    // Each column's order, from its own dates or from the option.
    DateOrder orders[2] = {DateOrder::Undecided, DateOrder::Undecided};
    for (int k = 0; k < 2; ++k) {
        const DateEvidence& evidence = k == 0 ? m_xDates : m_yDates;
        if (!evidence.any() || evidence.contradictory()) {
            continue;  // no dates, or none that read one way: no numbers
        }
        orders[k] = evidence.order();
        if (orders[k] == DateOrder::Undecided) {
            if (m_dateOrder == DateOrder::Undecided) {
                throw AmbiguousDates(m_source, k == 0 ? m_xCaption : m_yCaption,
                                     evidence.example());
            }
            orders[k] = m_dateOrder;
        }
    }
    std::vector<bool> leftOut(m_data.points.size());
    for (const PendingDate& pending : m_dates) {
        const LocalDate date{pending.first, pending.second, pending.year,
                             static_cast<double>(pending.seconds)};
        const auto serial = localDateSerial(date, orders[pending.isY ? 1 : 0]);
        DataPoint& point = m_data.points[pending.point];
        if (!serial) {
            if (!leftOut[pending.point]) {
                const std::string text = std::to_string(date.first) + "/" +
                                         std::to_string(date.second) + "/" +
                                         std::to_string(date.year);
                m_data.rowsLeftOut.add(text, pending.row, pending.isY ? m_yCaption : m_xCaption);
            }
            leftOut[pending.point] = true;
        } else {
            (pending.isY ? point.y : point.x) = *serial;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_data.points.size(); ++i) {
        if (!leftOut[i]) {
            m_data.points[kept++] = m_data.points[i];
        }
    }
    m_data.points.resize(kept);
    m_dates = {};
}

ColumnData ColumnCollector::finish(std::uint64_t fewestColumns) {
    if (m_rows < m_kept) {
        decide();
    }
    readDates();
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
                                std::string_view y, Progress* progress, DateOrder dateOrder) {
    TextSource source(in, sourceName);
    source.reportTo(progress);
    SeparatedValues records(source, DataGrid::kDefaultMemoryBudget, kMostFields);
    ColumnCollector collector(x, y, HeaderRule::SeparatedValues, sourceName, dateOrder);
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
