#include "analysis/parameters.h"

#include <gtest/gtest.h>

#include "common/numbers.h"

namespace tesselin {
namespace {

using Messages = std::vector<std::string_view>;

constexpr std::string_view kBinsPositive = "The number of bins must be greater than 0.";
constexpr std::string_view kBinsWhole = "Please enter an integral number of bins.";
constexpr std::string_view kBinsAtMost = "The number of bins must not be greater than 32767.";
constexpr std::string_view kMinNegative =
    "Invalid choice. The minimum period must be greater than or equal to 0.";
constexpr std::string_view kMinTooLong =
    "The minimum period to search for must be shorter than the length of the data set.";
constexpr std::string_view kMaxBelowMin =
    "Invalid choice. The maximum period must be greater than or equal to the minimum period.";
constexpr std::string_view kMaxTooLong =
    "The maximum period to search for must be shorter than the length of the data set.";

TEST(Parameters, TheNumberOfBinsMustBeAWholeNumberFrom1To32767) {
    const struct {
        const char* answer;
        Messages messages;
    } cases[] = {
        {"25", {}},
        {"0", {kBinsPositive}},
        {"", {kBinsPositive}},
        {"3.5", {kBinsWhole}},
        {"-2.5", {kBinsPositive, kBinsWhole}},
        {"12abc", {}},
        {"32767", {}},
        {"32768", {kBinsAtMost}},
        {"1E12", {kBinsAtMost}},
        // 2.0000000000000001 is 2 as a double, and 2.00000000000001 shows as 2.00000000000001.
        {"2.00000000000001", {kBinsWhole}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(binNumberMessages(leadingNumberValue(c.answer)), c.messages) << c.answer;
    }
}

TEST(Parameters, PeriodsMustLieWithinTheDataSet) {
    EXPECT_EQ(minPeriodMessages(10, 10), (Messages{kMinTooLong}));
    EXPECT_EQ(minPeriodMessages(9.99, 10), Messages{});
    EXPECT_EQ(minPeriodMessages(-1, 10), (Messages{kMinNegative}));
    EXPECT_EQ(minPeriodMessages(0, 0), (Messages{kMinTooLong}));
    EXPECT_EQ(maxPeriodMessages(10, 0, 10), Messages{});
    EXPECT_EQ(maxPeriodMessages(10.5, 0, 10), (Messages{kMaxTooLong}));
    EXPECT_EQ(maxPeriodMessages(3, 3, 10), Messages{});
    EXPECT_EQ(maxPeriodMessages(2, 3, 10), (Messages{kMaxBelowMin}));
}

TEST(Parameters, TheDefaultMaximumAlwaysPasses) {
    for (const double length : {10.0, 1.0 / 3.0, 123456789.123456789, 1e-5, 2.5e300, 0.1 + 0.2}) {
        const double answer = leadingNumberValue(defaultMaxPeriod(length));
        EXPECT_EQ(maxPeriodMessages(answer, 0, length), Messages{}) << length;
    }
}

TEST(Parameters, RepeatedValueMessageNamesTheValue) {
    EXPECT_EQ(repeatedValueMessage(5),
              "Error. The data set contains a repeated value - 5. Please remove it manually and "
              "restart the program.");
    EXPECT_EQ(repeatedValueMessage(1.5e20).find("- 1.5E+20."), 46u);
}

}  // namespace
}  // namespace tesselin
