#include "common/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace tesselin {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

// Exponents beyond this are far outside the range of a double; capping them
// keeps the arithmetic below free of overflow for any number of digits.
constexpr std::int64_t kExponentCap = 1'000'000'000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIgnorable(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

int digitValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    if (lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

struct Scanned {
    std::size_t length = 0;  // characters that form the number; 0 when there is none
    double value = 0.0;
};

double saturate(double magnitude) {
    return std::isinf(magnitude) ? kLargest : magnitude;
}

// An unsigned whole number in base 8 or 16; exact while it fits in 64 bits.
Scanned scanRadix(std::string_view text, int radix) {
    std::size_t i = 2;  // past "&H" or "&O"
    std::uint64_t whole = 0;
    double large = 0.0;
    bool exact = true;
    while (i < text.size()) {
        const int d = digitValue(text[i]);
        if (d < 0 || d >= radix) {
            break;
        }
        const auto base = static_cast<std::uint64_t>(radix);
        const auto digit = static_cast<std::uint64_t>(d);
        if (exact && whole > (std::numeric_limits<std::uint64_t>::max() - digit) / base) {
            exact = false;
            large = static_cast<double>(whole);
        }
        if (exact) {
            whole = whole * base + digit;
        } else {
            large = saturate(large * radix + d);
        }
        ++i;
    }
    if (i == 2) {
        return {};
    }
    return {i, exact ? static_cast<double>(whole) : large};
}

// Decimal digits with an optional point and exponent, already split apart.
double composeDecimal(std::string_view intDigits, std::string_view fracDigits,
                      std::int64_t exponent) {
    std::string buffer;
    buffer.reserve(intDigits.size() + fracDigits.size() + 16);
    buffer.append(intDigits.empty() ? std::string_view("0") : intDigits);
    if (!fracDigits.empty()) {
        buffer.push_back('.');
        buffer.append(fracDigits);
    }
    std::array<char, 24> exp{};
    const auto [end, ec] = std::to_chars(exp.data(), exp.data() + exp.size(), exponent);
    buffer.push_back('e');
    buffer.append(exp.data(), end);

    double value = 0.0;
    const auto result = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc::result_out_of_range) {
        return value;
    }
    // Out of range: decide between overflow and underflow from the decimal
    // position of the first significant digit.
    const auto firstInt = intDigits.find_first_not_of('0');
    std::int64_t magnitude = 0;
    if (firstInt != std::string_view::npos) {
        magnitude = static_cast<std::int64_t>(intDigits.size() - firstInt) - 1 + exponent;
    } else {
        const auto firstFrac = fracDigits.find_first_not_of('0');
        if (firstFrac == std::string_view::npos) {
            return 0.0;
        }
        magnitude = -static_cast<std::int64_t>(firstFrac) - 1 + exponent;
    }
    return magnitude > 0 ? kLargest : 0.0;
}

// Reads the longest number at the start of a text that holds no ignorable
// white space.
Scanned scanNumber(std::string_view text) {
    if (text.size() >= 2 && text[0] == '&') {
        const char prefix = static_cast<char>(text[1] | 0x20);
        if (prefix == 'h') {
            return scanRadix(text, 16);
        }
        if (prefix == 'o') {
            return scanRadix(text, 8);
        }
        return {};
    }

    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t intStart = i;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    const std::string_view intDigits = text.substr(intStart, i - intStart);
    std::string_view fracDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t fracStart = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        fracDigits = text.substr(fracStart, i - fracStart);
    }
    if (intDigits.empty() && fracDigits.empty()) {
        return {};
    }

    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        const std::size_t expStart = j;
        while (j < text.size() && isDigit(text[j])) {
            exponent = std::min(exponent * 10 + (text[j] - '0'), kExponentCap);
            ++j;
        }
        if (j > expStart) {  // "2E" and "2E+" read as 2
            i = j;
            if (negativeExponent) {
                exponent = -exponent;
            }
        } else {
            exponent = 0;
        }
    }

    const double magnitude = composeDecimal(intDigits, fracDigits, exponent);
    return {i, negative && magnitude != 0.0 ? -magnitude : magnitude};
}

}  // namespace

// The common case read at once: a plain decimal number ("2459000.5",
// "-1.25E-3"), whose grammar std::from_chars shares. Nothing for texts that
// need the full rules (a sign '+', "&H", no digits first, an out-of-range
// magnitude).
std::optional<double> plainNumber(std::string_view text) {
    const std::size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
    if (first >= text.size() || !isDigit(text[first])) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    return value == 0.0 ? 0.0 : value;  // never -0
}

double leadingNumberValue(std::string_view text) {
    if (std::none_of(text.begin(), text.end(), isIgnorable)) {
        if (const auto plain = plainNumber(text)) {
            return *plain;
        }
        return scanNumber(text).value;
    }
    std::string compact;
    compact.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact),
                 [](char c) { return !isIgnorable(c); });
    return scanNumber(compact).value;
}

bool hasLeadingNumber(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact),
                 [](char c) { return !isIgnorable(c); });
    return scanNumber(compact).length > 0;
}

std::string numberText(double value) {
    return numberText(value, 15);
}

std::string numberText(double value, int digits) {
    if (value == 0.0) {
        return "0";  // also for -0
    }
    if (std::isnan(value)) {
        return "NaN";  // no rule of this program produces it
    }
    if (std::isinf(value)) {
        value = std::copysign(kLargest, value);
    }
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::general, std::clamp(digits, 1, 15));
    std::string text(buffer.data(), end);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
}

double roundHalfEven(double value, int decimalPlaces) {
    // From 2^52 up every double is a whole number already.
    if (!std::isfinite(value) || std::fabs(value) >= 4503599627370496.0) {
        return value;
    }
    decimalPlaces = std::clamp(decimalPlaces, 0, 340);
    // Fixed notation rounds the exact binary value correctly, and glibc's and
    // libstdc++'s conversions send an exact tie to the even digit.
    std::array<char, 400> buffer{};
    const auto printed = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, decimalPlaces);
    double rounded = 0.0;
    std::from_chars(buffer.data(), printed.ptr, rounded, std::chars_format::fixed);
    return rounded == 0.0 ? 0.0 : rounded;
}

std::optional<double> strictNumber(std::string_view text) {
    const auto notBlank = [](char c) { return c != ' ' && c != '\t'; };
    const auto first = std::find_if(text.begin(), text.end(), notBlank);
    const auto last = std::find_if(text.rbegin(), text.rend(), notBlank).base();
    if (first >= last) {
        return std::nullopt;
    }
    const std::string_view trimmed(first, static_cast<std::size_t>(last - first));
    const Scanned scanned = scanNumber(trimmed);
    if (scanned.length == 0 || scanned.length != trimmed.size()) {
        return std::nullopt;
    }
    return scanned.value;
}

std::optional<double> strictWholeNumber(std::string_view text) {
    const auto value = strictNumber(text);
    if (!value) {
        return std::nullopt;
    }
    const double whole = std::nearbyint(*value);  // ties to even
    return whole == 0.0 ? 0.0 : whole;
}

}  // namespace tesselin
