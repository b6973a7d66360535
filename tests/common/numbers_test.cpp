#include "common/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <string>

namespace tesselin {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ValueCase {
    const char* text;
    double expected;
};

TEST(LeadingNumberValue, ReadsTheNumberAtTheStartOfATextAndNothingElse) {
    const ValueCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"  12  ", 12},
        {"1 2", 12},  // spaces are ignored wherever they stand
        {"1\n2", 12},
        {"12\r3", 12},  // a carriage return is not ignored: it ends the number
        {"3.5abc", 3.5},
        {"1.2.3", 1.2},
        {"1,5", 1},  // the decimal point is always the full stop
        {"-.5", -0.5},
        {"5.", 5},
        {"e5", 0},
        {"2E3", 2000},
        {"2E-2", 0.02},
        {"2E", 2},  // an incomplete exponent is not read
        {"2Ex", 2},
        {"1.5E+20", 1.5e20},
        {"&H10", 16},
        {"&O17", 15},
        {"&o8", 0},
        {"&X1", 0},
        {"-&H10", 0},
        {"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},  // unsigned, not -1
        {"0.1000000000000000000000000000000000001", 0.1},
        {"1E-400", 0},  // too small to represent
    };
    for (const ValueCase& c : cases) {
        EXPECT_EQ(leadingNumberValue(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(LeadingNumberValue, SaturatesBeyondTheRangeOfADoubleAndNeverGivesNaN) {
    const ValueCase cases[] = {
        {"1E400", kLargest},
        {"-1E400", -kLargest},
        {"1e99999999999999999999999999", kLargest},
        {"0.0000001E309", 1e302},
        {"&H1000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "000000000000000000000",
         kLargest},
    };
    for (const ValueCase& c : cases) {
        const double value = leadingNumberValue(c.text);
        EXPECT_FALSE(std::isnan(value)) << c.text;
        EXPECT_EQ(value, c.expected) << c.text;
    }
    EXPECT_FALSE(std::signbit(leadingNumberValue("-0")));
    EXPECT_EQ(leadingNumberValue(std::string(5'000'000, '7')), kLargest);
}

TEST(NumberText, WritesTheGeneralFormWithFifteenSignificantDigits) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {3, "3"},
        {12.5, "12.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {1.23456789012345678, "1.23456789012346"},
        {999999999999999, "999999999999999"},
        {1e15, "1E+15"},
        {123456789012345678.0, "1.23456789012346E+17"},
        {1.5e20, "1.5E+20"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-1.5e-300, "-1.5E-300"},
        {kLargest, "1.79769313486232E+308"},
        {kInf, "1.79769313486232E+308"},
        {-kInf, "-1.79769313486232E+308"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberText(c.value), c.expected) << c.value;
    }
}

TEST(RoundHalfEven, RoundsTheExactValueWithTiesToEven) {
    const struct {
        double value;
        int places;
        double expected;
    } cases[] = {
        {0.125, 2, 0.12},
        {2.5, 0, 2},
        {-2.5, 0, -2},
        {0.5, 0, 0},
        {2.675, 2, 2.67},  // the double lies just below the tie
        {123.456789012345, 7, 123.456789},
        {2.00000005000001, 7, 2.0000001},
        {1e20, 7, 1e20},
        {-0.00000001, 7, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundHalfEven(c.value, c.places), c.expected) << c.value << " " << c.places;
    }
    EXPECT_FALSE(std::signbit(roundHalfEven(-0.00000001, 7)));
    EXPECT_EQ(roundHalfEven(kInf, 7), kInf);
}

TEST(StrictWholeNumber, AcceptsOnlyATextThatIsWhollyANumber) {
    const struct {
        const char* text;
        std::optional<double> expected;
    } cases[] = {
        {"3", 3},
        {" 3 ", 3},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-0.4", 0},
        {"1E2", 100},
        {"&H10", 16},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"2a", std::nullopt},
        {"2E", std::nullopt},
        {"1 2", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strictWholeNumber(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_FALSE(std::signbit(*strictWholeNumber("-0.4")));
}

TEST(NumberRules, IgnoreADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    const std::locale previousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));

    EXPECT_EQ(numberText(1.5), "1.5");
    EXPECT_EQ(numberText(1.5e20), "1.5E+20");
    EXPECT_EQ(leadingNumberValue("1.5"), 1.5);
    EXPECT_EQ(leadingNumberValue("1,5"), 1.0);
    EXPECT_EQ(roundHalfEven(0.125, 2), 0.12);
    EXPECT_EQ(strictWholeNumber("2.5"), 2.0);

    std::locale::global(previousGlobal);
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace tesselin
