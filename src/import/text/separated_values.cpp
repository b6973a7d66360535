#include "import/text/separated_values.h"

#include <algorithm>
#include <array>

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

// The separator that splits the first lines most evenly: the one that gives
// the same number of fields on every line, and the most; else the commonest.
char sniffSeparator(std::string_view text) {
    constexpr std::array<char, 3> kCandidates = {'\t', ';', ','};
    std::array<std::vector<std::size_t>, 3> counts;
    std::array<std::size_t, 3> current{};
    bool quoted = false;
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size() && lines < kSniffedLines; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            for (std::size_t k = 0; k < kCandidates.size(); ++k) {
                counts[k].push_back(current[k]);
                current[k] = 0;
            }
            ++lines;
        } else if (!quoted) {
            for (std::size_t k = 0; k < kCandidates.size(); ++k) {
                current[k] += c == kCandidates[k] ? 1u : 0u;
            }
        }
    }
    if (lines < kSniffedLines &&
        std::any_of(current.begin(), current.end(), [](std::size_t n) { return n > 0; })) {
        for (std::size_t k = 0; k < kCandidates.size(); ++k) {
            counts[k].push_back(current[k]);
        }
    }
    char best = ',';
    std::size_t bestCount = 0;
    bool bestEven = false;
    for (std::size_t k = 0; k < kCandidates.size(); ++k) {
        const auto& perLine = counts[k];
        if (perLine.empty() || perLine.front() == 0) {
            continue;
        }
        const bool even = std::all_of(perLine.begin(), perLine.end(),
                                      [&](std::size_t n) { return n == perLine.front(); });
        const std::size_t count = perLine.front();
        if ((even && !bestEven) || (even == bestEven && count > bestCount)) {
            best = kCandidates[k];
            bestCount = count;
            bestEven = even;
        }
    }
    return best;
}

// "11,727", "-0,5", "1.234,5": a number written with a decimal comma (and
// perhaps full stops between groups of three digits), as a number with a
// full stop; anything else as it is.
std::string withDecimalPoint(std::string_view field) {
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
    if (!std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return std::string(field);
    }
    std::string digits;
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (whole[k] == '.') {
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

}  // namespace

std::string normalisedField(std::string_view field, char separator) {
    if (const auto serial = isoDateSerial(field)) {
        return numberText(*serial);
    }
    return separator == ';' ? withDecimalPoint(field) : std::string(field);
}

SeparatedValues::SeparatedValues(TextSource& source, std::size_t maxField, std::size_t maxFields)
    : m_source(source), m_maxField(maxField), m_maxFields(maxFields) {
    // Enough of the text for the first lines.
    while (std::count(m_text.begin(), m_text.end(), '\n') < static_cast<long>(kSniffedLines) &&
           m_text.size() < (std::size_t{1} << 20) && fill()) {
    }
    m_separator = sniffSeparator(m_text);
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
    fields.push_back(normalisedField(m_field, m_separator));
    m_field.clear();
    m_quoted = false;
}

bool SeparatedValues::next(std::vector<std::string>& fields) {
    fields.clear();
    m_field.clear();
    m_quoted = false;
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote } state = State::FieldStart;
    bool any = false;  // the record has begun
    for (;;) {
        if (m_at == m_text.size() && !fill()) {
            if (!any) {
                return false;
            }
            finishField(fields);
            ++m_records;
            return true;
        }
        const char c = m_text[m_at++];
        any = true;
        const bool lineEnd = c == '\n' || c == '\r';
        if (state != State::Quoted && (lineEnd || c == m_separator)) {
            finishField(fields);
            if (lineEnd) {
                if (c == '\r' && (m_at < m_text.size() || fill()) && m_text[m_at] == '\n') {
                    ++m_at;
                }
                ++m_records;
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
        m_field.push_back(c);
        if (m_field.size() > m_maxField) {
            throw Failure::outOfMemory("Out of memory: a field of " + m_source.sourceName() +
                                       " is longer than the " + std::to_string(m_maxField >> 20) +
                                       " MB the data grid may use");
        }
    }
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
