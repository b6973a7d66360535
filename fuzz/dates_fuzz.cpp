// The date readers on any text: an ISO 8601 date or a date such as 3/1/2024
// that reads gives a finite serial number of a day between the years 0 and
// 9999, and the same text always gives the same number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/dates.h"
#include "import/text/local_dates.h"

namespace {

void check(std::optional<double> serial) {
    // Day 0 is 1899-12-30; the years 0 and 9999 lie about 693,960 days
    // before and 2,958,466 days after it, give or take an offset's day.
    if (serial && (!std::isfinite(*serial) || *serial < -693'962 || *serial > 2'958'467)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto iso = tesselin::isoDateSerial(text);
    check(iso);
    if (iso != tesselin::isoDateSerial(text)) {
        std::abort();
    }
    if (const auto date = tesselin::localDate(text)) {
        for (const auto order : {tesselin::DateOrder::DayFirst, tesselin::DateOrder::MonthFirst}) {
            check(tesselin::localDateSerial(*date, order));
        }
    }
    return 0;
}
