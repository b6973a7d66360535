#include "common/dates.h"

#include <charconv>
#include <chrono>
#include <string>

namespace tesselin {
namespace {

constexpr std::chrono::sys_days kDayZero =
    std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};

// Reads exactly `count` digits at `at`.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

double serialOf(int year, unsigned month, unsigned day, double seconds) {
    const std::chrono::sys_days date =
        std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day};
    return static_cast<double>((date - kDayZero).count()) + seconds / 86400.0;
}

std::optional<double> isoDateSerial(std::string_view text) {
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year{*year},
                                           std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    double seconds = 0;
    std::size_t at = 10;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        // Hours of one or two digits ("6:00" as people write it), minutes.
        ++at;
        const bool oneDigit = at + 1 < text.size() && text[at + 1] == ':';
        const auto hours = digits(text, at, oneDigit ? 1 : 2);
        at += oneDigit ? 1 : 2;
        const auto minutes =
            at < text.size() && text[at] == ':' ? digits(text, at + 1, 2) : std::nullopt;
        if (!hours || !minutes || *hours > 24 || *minutes > 59) {
            return std::nullopt;
        }
        seconds = *hours * 3600.0 + *minutes * 60.0;
        at += 3;
        if (at < text.size() && text[at] == ':') {
            const auto wholeSeconds = digits(text, at + 1, 2);
            if (!wholeSeconds || *wholeSeconds > 60) {
                return std::nullopt;
            }
            seconds += *wholeSeconds;
            at += 3;
            if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
                const std::size_t begin = ++at;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
                    ++at;
                }
                if (at == begin) {
                    return std::nullopt;
                }
                double fraction = 0;
                std::string fractionText = "0." + std::string(text.substr(begin, at - begin));
                std::from_chars(fractionText.data(), fractionText.data() + fractionText.size(),
                                fraction);
                seconds += fraction;
            }
        }
        // 24:00 is the end of the day; no other time of hour 24 exists.
        if (*hours == 24 && seconds != 86400.0) {
            return std::nullopt;
        }
        // A time zone: Z, or an offset from UTC of hours ("+02"), or hours
        // and minutes ("+0200", "+02:00").
        if (at < text.size() && text[at] == 'Z') {
            ++at;
        } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            const auto offsetHours = digits(text, at + 1, 2);
            std::size_t next = at + 3;
            std::optional<int> offsetMinutes = 0;
            if (next < text.size()) {
                const bool colon = text[next] == ':';
                offsetMinutes = digits(text, next + (colon ? 1 : 0), 2);
                next += colon ? 3 : 2;
            }
            if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) {
                return std::nullopt;
            }
            const double offset = *offsetHours * 3600.0 + *offsetMinutes * 60.0;
            seconds += text[at] == '+' ? -offset : offset;
            at = next;
        }
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return serialOf(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day), seconds);
}

}  // namespace tesselin
