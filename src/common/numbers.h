#pragma once

#include <optional>
#include <string>
#include <string_view>

// The number rules that every reader and writer of numbers in Tesselin uses.
// They never consult the process locale: the decimal point is always '.'.
//
// Magnitudes beyond the range of a double saturate: a text such as "1E400"
// reads as the largest finite double (1.79769313486232E+308, negative for
// "-1E400"), and a magnitude too small to represent reads as 0. No text ever
// reads as an infinity or as NaN. An infinite result of arithmetic is shown by
// numberText as that same largest magnitude, so text round trips stay finite.
namespace tesselin {

// The number at the start of a text. Spaces, tabs and line feeds are ignored
// wherever they stand; then the longest leading part that forms a number is
// read: an optional sign, digits with at most one '.', and an optional exponent
// (E or e, an optional sign, digits; an exponent without digits is not read).
// "&H" and "&O" read unsigned hexadecimal and octal whole numbers. A text
// without a leading number reads as 0. Never fails.
double leadingNumberValue(std::string_view text);

// Whether a text has a leading number at all (else leadingNumberValue reads
// it as 0).
bool hasLeadingNumber(std::string_view text);

// The general text form of a number: at most 15 significant digits, no
// trailing zeros or point, exponent form ("1.5E+20", "1E-05") for magnitudes
// of 1E+15 and above or below 1E-4, and never "-0".
std::string numberText(double value);

// The same form with at most `digits` significant digits (1 to 15).
std::string numberText(double value, int digits);

// Rounds to the given number of decimal places. The exact binary value is
// rounded, and an exact tie goes to the even neighbour (0.125 -> 0.12).
double roundHalfEven(double value, int decimalPlaces);

// A text that reads wholly as a number (the grammar above, optionally
// surrounded by spaces and tabs, nothing else). Anything else, the empty text
// included, gives no value.
std::optional<double> strictNumber(std::string_view text);

// The same, rounded to a whole number with ties to even.
std::optional<double> strictWholeNumber(std::string_view text);

}  // namespace tesselin
