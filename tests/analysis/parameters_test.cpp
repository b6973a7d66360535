#include "analysis/parameters.h"

#include <gtest/gtest.h>

#include "common/numbers.h"

namespace tesselin {
namespace {

using Messages = std::vector<std::string_view>;

constexpr std::string_view kBinsPositive = "The number of bins must be greater than 0.";
constexpr std::string_view kBinsWhole = "Please enter an integral number of bins.";
constexpr std::string_view kBinsAtMost = "The number of bins must not be greater than 32767.";

TEST(Parameters, TheNumberOfBinsMustBeAWholeNumberFrom1To32767) {
    const struct {
        const char* answer;
        Messages messages;
    } cases[] = {
        {"25", {}},
        {"", {kBinsPositive}},
        {"-2.5", {kBinsPositive, kBinsWhole}},
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

TEST(Parameters, TheDefaultMaximumAlwaysPasses) {
    for (const double length : {10.0, 1.0 / 3.0, 123456789.123456789, 1e-5, 2.5e300, 0.1 + 0.2}) {
        const double answer = leadingNumberValue(defaultMaxPeriod(length));
        EXPECT_EQ(maxPeriodMessages(answer, 0, length), Messages{}) << length;
    }
}

}  // namespace
}  // namespace tesselin
