#pragma once

#include <optional>
#include <string_view>

namespace tesselin {

// Spreadsheet serial numbers: days since 1899-12-30, the time of day as the
// fraction of a day (45000.5 is 2023-03-15 12:00), as workbooks store dates.

// The serial number of a civil date and a time of day in seconds.
double serialOf(int year, unsigned month, unsigned day, double seconds);

// An ISO 8601 date or date-time as a serial number: "2022-01-01",
// "2022-01-01 06:00", "2024-03-01 6:00", "2022-01-01T06:00:04.25", "24:00" as
// the end of the day, with "Z" or an offset such as "+02:00", "+0200" or
// "+02" taken to UTC. Anything else, or an impossible date or time
// ("2023-02-30", "24:30"), gives nothing.
std::optional<double> isoDateSerial(std::string_view text);

}  // namespace tesselin
