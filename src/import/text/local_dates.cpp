#include "import/text/local_dates.h"

#include <array>
#include <chrono>

#include "common/DataGrid.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "import/text/column_names.h"

namespace tesselin {
namespace {

// Digits at `at`, one to `most` of them; moves `at` past them.
std::optional<int> number(std::string_view text, std::size_t& at, std::size_t most) {
    int value = 0;
    std::size_t count = 0;
    while (at < text.size() && count < most && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at++] - '0');
        ++count;
    }
    if (count == 0 || (at < text.size() && text[at] >= '0' && text[at] <= '9')) {
        return std::nullopt;
    }
    return value;
}

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

std::string reading(std::string_view example, DateOrder order) {
    const auto date = localDate(example);
    if (!date || !localDateSerial(*date, order)) {
        return std::string(example);
    }
    const int day = order == DateOrder::DayFirst ? date->first : date->second;
    const int month = order == DateOrder::DayFirst ? date->second : date->first;
    return std::to_string(day) + " " + kMonths[static_cast<std::size_t>(month - 1)] + " " +
           std::to_string(date->year);
}

}  // namespace

std::optional<LocalDate> localDate(std::string_view text) {
    std::size_t at = 0;
    LocalDate date;
    const auto first = number(text, at, 2);
    if (!first || at >= text.size() || (text[at] != '/' && text[at] != '.')) {
        return std::nullopt;
    }
    const char separator = text[at++];
    const auto second = number(text, at, 2);
    if (!second || at >= text.size() || text[at] != separator) {
        return std::nullopt;
    }
    ++at;
    const std::size_t yearAt = at;
    const auto year = number(text, at, 4);
    if (!year || at - yearAt != 4) {
        return std::nullopt;
    }
    date.first = *first;
    date.second = *second;
    date.year = *year;
    if (at < text.size()) {
        // A time of day: H:MM or HH:MM, with :SS or not; 24:00 ends the day.
        if (text[at] != ' ') {
            return std::nullopt;
        }
        ++at;
        const auto hours = number(text, at, 2);
        if (!hours || at >= text.size() || text[at] != ':') {
            return std::nullopt;
        }
        ++at;
        const std::size_t minutesAt = at;
        const auto minutes = number(text, at, 2);
        if (!minutes || at - minutesAt != 2 || *minutes > 59) {
            return std::nullopt;
        }
        int seconds = 0;
        if (at < text.size() && text[at] == ':') {
            ++at;
            const std::size_t secondsAt = at;
            const auto s = number(text, at, 2);
            if (!s || at - secondsAt != 2 || *s > 60) {
                return std::nullopt;
            }
            seconds = *s;
        }
        date.seconds = *hours * 3600.0 + *minutes * 60.0 + seconds;
        if (at != text.size() || *hours > 24 || (*hours == 24 && date.seconds != 86400.0)) {
            return std::nullopt;
        }
    }
    return date;
}

std::optional<double> localDateSerial(const LocalDate& date, DateOrder order) {
    if (order == DateOrder::Undecided) {
        return std::nullopt;
    }
    const int day = order == DateOrder::DayFirst ? date.first : date.second;
    const int month = order == DateOrder::DayFirst ? date.second : date.first;
    if (month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    const std::chrono::year_month_day ymd{std::chrono::year{date.year},
                                          std::chrono::month{static_cast<unsigned>(month)},
                                          std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok()) {
        return std::nullopt;
    }
    return serialOf(date.year, static_cast<unsigned>(month), static_cast<unsigned>(day),
                    date.seconds);
}

void DateEvidence::see(const LocalDate& date, std::string_view text) {
    if (!m_any) {
        m_example = text;
    }
    m_any = true;
    m_dayFirst = m_dayFirst || date.first > 12;
    m_monthFirst = m_monthFirst || date.second > 12;
}

DateOrder DateEvidence::order() const noexcept {
    if (m_dayFirst == m_monthFirst) {
        return DateOrder::Undecided;
    }
    return m_dayFirst ? DateOrder::DayFirst : DateOrder::MonthFirst;
}

std::string dayFirstReading(std::string_view example) {
    return reading(example, DateOrder::DayFirst) + " (day first)";
}

std::string monthFirstReading(std::string_view example) {
    return reading(example, DateOrder::MonthFirst) + " (month first)";
}

AmbiguousDates::AmbiguousDates(std::string_view source, std::string column, std::string example)
    : Failure(FailureNumber::ExternalTableFormat,
              std::string(source) + ": the dates of " + column + " read both ways: " + example +
                  " is " + dayFirstReading(example) + " or " + monthFirstReading(example) +
                  ", and no date of the column tells which. Say which order the file "
                  "uses (tesselin-cli: --date-order dmy or mdy)."),
      m_column(std::move(column)),
      m_example(std::move(example)) {}

void readLocalDates(DataGrid& table, const std::vector<std::string>& names, std::string_view source,
                    DateOrder order) {
    for (int c = 0; c < table.Cols(); ++c) {
        DateEvidence evidence;
        for (int r = 0; r < table.Rows(); ++r) {
            const std::string_view text = table.TextMatrix(r, c);
            if (const auto date = localDate(text)) {
                evidence.see(*date, text);
            }
        }
        if (!evidence.any() || evidence.contradictory()) {
            continue;
        }
        DateOrder columnOrder = evidence.order();
        if (columnOrder == DateOrder::Undecided) {
            if (order == DateOrder::Undecided) {
                throw AmbiguousDates(source, namedCaption(c, names), evidence.example());
            }
            columnOrder = order;
        }
        for (int r = 0; r < table.Rows(); ++r) {
            if (const auto date = localDate(table.TextMatrix(r, c))) {
                if (const auto serial = localDateSerial(*date, columnOrder)) {
                    table.setTextMatrix(r, c, numberText(*serial));
                }
            }
        }
    }
}

}  // namespace tesselin
