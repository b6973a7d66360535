#include "analysis/parameters.h"

#include <gtest/gtest.h>

#include "analysis/lag_binning.h"
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

TEST(Parameters, RepeatedXValuesAreSummedUpAfterTheFirstPair) {
    const auto summary = [](std::vector<double> xs) {
        std::vector<DataPoint> points;
        for (const double x : xs) {
            points.push_back({x, 0});
        }
        return repeatedValuesSummary(repeatedValues(points));
    };
    EXPECT_EQ(summary({1, 2, 1, 3}), "");  // one pair: its own message says it all
    EXPECT_EQ(summary(std::vector<double>(30, 0.5)),
              "In all, 435 pairs of points with equal X were left out of the analysis. 1 X value "
              "occurs more than once: 0.5 (30 times).");
    std::vector<double> twelve;
    for (int i = 12; i > 0; --i) {
        twelve.insert(twelve.end(), {double(i), 0.5, double(i)});
    }
    EXPECT_EQ(
        summary(twelve),
        "In all, 78 pairs of points with equal X were left out of the analysis. 13 X values "
        "occur more than once; the first ten are: 12 (2 times), 0.5 (12 times), 11 (2 times), "
        "10 (2 times), 9 (2 times), 8 (2 times), 7 (2 times), 6 (2 times), 5 (2 times), "
        "4 (2 times).");
}

}  // namespace
}  // namespace tesselin
