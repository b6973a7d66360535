#include "import/text/separated_values.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/Failure.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "import/text/text_source.h"

namespace tesselin {
namespace {

constexpr std::size_t kSniffedLines = 20;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The fields of the first lines, split by `separator` (quotes honoured,
// comment lines left out), for the decisions that look at the start of a
// file.
std::vector<std::vector<std::string>> firstRecords(std::string_view text, char separator) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields(1);
    bool quoted = false;
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size() && records.size() < kSniffedLines; ++i) {
        const char c = text[i];
        if (lineStart && c == '#' && records.empty()) {
            while (i < text.size() && text[i] != '\n' && text[i] != '\r') {
                ++i;
            }
            continue;
        }
        lineStart = false;
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            if (fields.size() > 1 || !fields.front().empty()) {
                records.push_back(std::move(fields));
            }
            fields.assign(1, {});
            lineStart = true;
        } else if (!quoted && c == separator) {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    return records;
}

// The separator of the first lines: one that gives the same number of fields
// on every line, tab before semicolon before comma (a comma is also a
// decimal comma, a semicolon rarely anything but a separator); when none is
// that even, the commonest.
char sniffSeparator(std::string_view text) {
    constexpr std::array<char, 3> kCandidates = {'\t', ';', ','};
    char commonest = ',';
    std::size_t most = 0;
    for (const char candidate : kCandidates) {
        const auto records = firstRecords(text, candidate);
        if (records.empty()) {
            continue;
        }
        const std::size_t first = records.front().size();
        // A header one field short (row names after it) is still even.
        const bool even =
            first > 1 &&
            std::all_of(records.begin() + 1, records.end(),
                        [&](const auto& fields) {
                            return fields.size() == first || fields.size() == records[1].size();
                        }) &&
            (records.size() < 2 || records[1].size() == first || records[1].size() == first + 1);
        if (even) {
            return candidate;
        }
        std::size_t fields = 0;
        for (const auto& record : records) {
            fields += record.size() - 1;
        }
        if (fields > most) {
            most = fields;
            commonest = candidate;
        }
    }
    return commonest;
}

// "11,727", "-0,5", "1.234,5": a number written with a decimal comma (and
// perhaps full stops between groups of three digits), as a number with a
// full stop; anything else as it is. `groups` allows the full stops.
std::string withDecimalPoint(std::string_view field, bool groups = true) {
    std::size_t i = 0;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        ++i;
    }
    const std::size_t comma = field.find(',');
    if (comma == std::string_view::npos || comma + 1 == field.size() ||
        field.find(',', comma + 1) != std::string_view::npos) {
        return std::string(field);
    }
    const std::string_view whole = field.substr(i, comma - i);
    const std::string_view fraction = field.substr(comma + 1);
    if (whole.empty() || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return std::string(field);
    }
    std::string digits;
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (whole[k] == '.' && groups) {
            // Only full stops between groups of three digits.
            const std::size_t group = whole.find('.', k + 1);
            const std::size_t end = group == std::string_view::npos ? whole.size() : group;
            if (k == 0 || end - k - 1 != 3) {
                return std::string(field);
            }
            continue;
        }
        if (!isDigit(whole[k])) {
            return std::string(field);
        }
        digits.push_back(whole[k]);
    }
    return std::string(field.substr(0, i)) + digits + "." + std::string(fraction);
}

bool isDecimalComma(std::string_view field) {
    return withDecimalPoint(field, false) != field;
}

// "5,458.59", "-1,234", as spreadsheets export numbers with thousands
// separators (quoted, in comma-separated files): without the separators.
// Only the strict form counts: one to three digits, then groups of three.
std::optional<std::string> withoutThousands(std::string_view field) {
    std::string plain;
    std::size_t i = 0;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        plain.push_back(field[i++]);
    }
    std::size_t run = 0;  // digits since the last separator
    bool grouped = false;
    for (; i < field.size() && field[i] != '.'; ++i) {
        if (field[i] == ',') {
            if (run == 0 || (grouped ? run != 3 : run > 3)) {
                return std::nullopt;
            }
            grouped = true;
            run = 0;
        } else if (isDigit(field[i])) {
            plain.push_back(field[i]);
            ++run;
        } else {
            return std::nullopt;
        }
    }
    if (!grouped || run != 3) {
        return std::nullopt;
    }
    if (i < field.size()) {  // the fraction
        const std::string_view fraction = field.substr(i + 1);
        if (fraction.empty() || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
            return std::nullopt;
        }
        plain += field.substr(i);
    }
    return plain;
}

}  // namespace

std::string normalisedField(std::string_view field, char separator) {
    if (const auto serial = isoDateSerial(field)) {
        return numberText(*serial);
    }
    return separator == ';' ? withDecimalPoint(field) : std::string(field);
}

SeparatedValues::SeparatedValues(TextSource& source, std::size_t maxField, std::size_t maxFields)
    : m_source(source), m_maxField(std::min(maxField, kMostFieldBytes)), m_maxFields(maxFields) {
    // Enough of the text for the first lines.
    while (std::count(m_text.begin(), m_text.end(), '\n') < static_cast<long>(kSniffedLines) &&
           m_text.size() < (std::size_t{1} << 20) && fill()) {
    }
    m_separator = sniffSeparator(m_text);
    if (m_separator == '\t') {
        // Decimal commas by column: where a column's numbers are all written
        // with one ("2459000,5") and none with a full stop.
        std::vector<int> evidence;  // > 0: decimal commas; < 0: against
        for (const auto& record : firstRecords(m_text, '\t')) {
            evidence.resize(std::max(evidence.size(), record.size()));
            for (std::size_t k = 0; k < record.size(); ++k) {
                if (evidence[k] < 0) {
                    continue;
                }
                if (isDecimalComma(record[k])) {
                    ++evidence[k];
                } else if (record[k].find(',') != std::string::npos ||
                           (record[k].find('.') != std::string::npos && strictNumber(record[k]))) {
                    evidence[k] = -1;
                }
            }
        }
        for (const int e : evidence) {
            m_decimalComma.push_back(e > 0);
        }
    }
}

bool SeparatedValues::fill() {
    if (m_ended) {
        return false;
    }
    const std::string_view chunk = m_source.next();
    if (chunk.empty()) {
        m_ended = true;
        return false;
    }
    m_text.erase(0, m_at);
    m_at = 0;
    m_text.append(chunk);
    return true;
}

void SeparatedValues::finishField(std::vector<std::string>& fields) {
    if (fields.size() == m_maxFields) {
        throw Failure::overflow("Overflow: record " + std::to_string(m_records + 1) + " of " +
                                m_source.sourceName() + " has more than " +
                                std::to_string(m_maxFields) + " fields");
    }
    if (!m_quoted) {
        // Spaces around an unquoted field are no part of it.
        const std::size_t end = m_field.find_last_not_of(' ');
        m_field.erase(end == std::string::npos ? 0 : end + 1);
    }
    const std::size_t column = fields.size();
    if (m_separator == '\t' && column < m_decimalComma.size() && m_decimalComma[column]) {
        fields.push_back(normalisedField(withDecimalPoint(m_field, false), m_separator));
    } else if (const auto plain =
                   m_separator == ',' && m_quoted ? withoutThousands(m_field) : std::nullopt) {
        fields.push_back(*plain);
    } else {
        fields.push_back(normalisedField(m_field, m_separator));
    }
    m_field.clear();
    m_quoted = false;
}

bool SeparatedValues::next(std::vector<std::string>& fields) {
    return nextRecord(fields);
}

bool SeparatedValues::nextRecord(std::vector<std::string>& fields) {
    fields.clear();
    m_field.clear();
    m_quoted = false;
    m_lastQuoted = false;
    m_overlong = false;
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote } state = State::FieldStart;
    bool any = false;  // the record has begun
    std::uint64_t quoteLine = 0;
    for (;;) {
        if (m_at == m_text.size() && !fill()) {
            if (state == State::Quoted) {
                throw Failure::notAWorkbook(
                    m_source.sourceName(),
                    "cannot be read as separated values: the quote that opens on line " +
                        std::to_string(quoteLine) +
                        " never closes, so every line after it would be one field.");
            }
            if (!any) {
                return false;
            }
            finishField(fields);
            ++m_records;
            return true;
        }
        const char c = m_text[m_at++];
        if (!any && m_comments && c == '#') {
            // A comment line before the first record: skipped whole.
            while ((m_at < m_text.size() || fill()) && m_text[m_at] != '\n' &&
                   m_text[m_at] != '\r') {
                ++m_at;
            }
            continue;
        }
        any = true;
        const bool lineEnd = c == '\n' || c == '\r';
        if (lineEnd && !(c == '\n' && m_afterCr)) {
            ++m_line;
        }
        m_afterCr = c == '\r';
        if (state != State::Quoted && (lineEnd || c == m_separator)) {
            if (m_overlong) {
                throw fieldTooLong();
            }
            finishField(fields);
            if (lineEnd) {
                if (c == '\r' && (m_at < m_text.size() || fill()) && m_text[m_at] == '\n') {
                    ++m_at;
                    m_afterCr = false;
                }
                ++m_records;
                if (fields.size() == 1 && fields.front().empty() && !m_lastQuoted) {
                    any = false;  // a blank line is no record
                    fields.clear();
                    --m_records;
                    state = State::FieldStart;
                    continue;
                }
                m_comments = false;
                return true;
            }
            state = State::FieldStart;
            continue;
        }
        switch (state) {
            case State::FieldStart:
                if (c == ' ') {
                    continue;
                }
                if (c == '"') {
                    state = State::Quoted;
                    m_quoted = true;
                    m_lastQuoted = true;
                    quoteLine = m_line + 1;
                    continue;
                }
                state = State::Unquoted;
                break;
            case State::Quoted:
                if (c == '"') {
                    if ((m_at < m_text.size() || fill()) && m_text[m_at] == '"') {
                        ++m_at;  // a doubled quote stands for one
                    } else {
                        state = State::AfterQuote;
                        if (m_overlong) {
                            throw fieldTooLong();
                        }
                        continue;
                    }
                }
                break;
            case State::AfterQuote:
                if (c == ' ') {
                    continue;
                }
                break;  // stray text after the closing quote stays with the field
            case State::Unquoted:
                break;
        }
        if (m_overlong) {
            continue;  // looking for where the field ends, keeping none of it
        }
        m_field.push_back(c);
        if (m_field.size() > m_maxField) {
            m_overlong = true;
            m_field.clear();
            m_field.shrink_to_fit();
        }
    }
}

Failure SeparatedValues::fieldTooLong() const {
    return Failure::outOfMemory("Out of memory: a field of " + m_source.sourceName() +
                                " is longer than the " + std::to_string(m_maxField >> 20) +
                                " MB a field may take");
}

SeparatedTable readSeparatedValues(std::istream& in, std::string_view sourceName,
                                   std::uint32_t mostRows, std::size_t memoryBudget) {
    SeparatedTable result;
    DataGrid& table = result.table;
    table.setMemoryBudget(memoryBudget);
    table.setRows(0);
    table.setCols(0);
    TextSource source(in, sourceName);
    SeparatedValues reader(source, memoryBudget, static_cast<std::size_t>(kMaxCounter));
    std::vector<std::string> fields;
    std::vector<std::string_view> cells;
    while (reader.next(fields)) {
        if (result.records++ >= mostRows) {
            continue;  // counted, not kept
        }
        const int row = table.Rows();
        table.setRows(row + 1);
        table.setCols(std::max(table.Cols(), static_cast<int>(fields.size())));
        cells.assign(fields.begin(), fields.end());
        table.setRowCells(row, cells);
    }
    return result;
}

}  // namespace tesselin
