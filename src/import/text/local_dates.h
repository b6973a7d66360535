#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Failure.h"

namespace tesselin {

class DataGrid;

// Dates as people write them in separated values: "3/1/2024", "01.03.2024",
// with a time of day or not ("3/1/2024 6:00", "01.03.2024 06:00:30"). Whether
// the first number is the day or the month the column decides: a first
// number above 12 anywhere means day first, a second above 12 month first.
enum class DateOrder { Undecided, DayFirst, MonthFirst };

struct LocalDate {
    int first = 0;
    int second = 0;
    int year = 0;
    double seconds = 0;  // the time of day
};

// The date a text holds in one of those forms, or nothing.
std::optional<LocalDate> localDate(std::string_view text);

// Its serial number in an order, or nothing when it is no date that way
// (31/2/2024 either way, 13/1/2024 month first).
std::optional<double> localDateSerial(const LocalDate& date, DateOrder order);

// What the dates of one column say about their order.
class DateEvidence {
public:
    void see(const LocalDate& date, std::string_view text);
    bool any() const noexcept { return m_any; }
    // The order the column shows, Undecided when every date reads both ways
    // (and when they contradict each other: then they are no dates).
    DateOrder order() const noexcept;
    bool contradictory() const noexcept { return m_dayFirst && m_monthFirst; }
    const std::string& example() const noexcept { return m_example; }

private:
    bool m_any = false;
    bool m_dayFirst = false;
    bool m_monthFirst = false;
    std::string m_example;
};

// A column whose dates read both ways, and no order was given: refused with
// the two readings of its first date, as a failure of the import.
class AmbiguousDates : public Failure {
public:
    AmbiguousDates(std::string_view source, std::string column, std::string example);
    const std::string& column() const noexcept { return m_column; }
    const std::string& example() const noexcept { return m_example; }

private:
    std::string m_column;
    std::string m_example;
};

// The two readings of a date, for a question or a message: "3 January 2024
// (day first)" and "1 March 2024 (month first)".
std::string dayFirstReading(std::string_view example);
std::string monthFirstReading(std::string_view example);

// Turns the dates of each column of a table of separated values (no caption
// row; `names` are its columns' names) into serial numbers, in the order the
// column shows or, for a column whose every date reads both ways, in `order`;
// without one, throws AmbiguousDates. A column whose dates contradict each
// other keeps its texts.
void readLocalDates(DataGrid& table, const std::vector<std::string>& names, std::string_view source,
                    DateOrder order);

}  // namespace tesselin
