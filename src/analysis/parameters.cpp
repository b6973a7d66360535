#include "analysis/parameters.h"

#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "analysis/lag_binning.h"
#include "common/numbers.h"

namespace tesselin {
namespace {

// A number as the user would read it back from its text.
double shown(double value) {
    return leadingNumberValue(numberText(value));
}

}  // namespace

std::vector<std::string_view> binNumberMessages(double binNumber) {
    std::vector<std::string_view> messages;
    const double bins = shown(binNumber);
    if (bins <= 0) {
        messages.emplace_back("The number of bins must be greater than 0.");
    }
    if (bins != shown(std::floor(binNumber))) {
        messages.emplace_back("Please enter an integral number of bins.");
    }
    if (bins > kMaxBinNumber) {
        messages.emplace_back("The number of bins must not be greater than 32767.");
    }
    return messages;
}

std::vector<std::string_view> minPeriodMessages(double minPeriod, double dataLength) {
    std::vector<std::string_view> messages;
    const double minimum = shown(minPeriod);
    if (minimum < 0) {
        messages.emplace_back(
            "Invalid choice. The minimum period must be greater than or equal to 0.");
    }
    if (shown(dataLength) <= minimum) {
        messages.emplace_back(
            "The minimum period to search for must be shorter than the length of the data set.");
    }
    return messages;
}

std::vector<std::string_view> maxPeriodMessages(double maxPeriod, double minPeriod,
                                                double dataLength) {
    std::vector<std::string_view> messages;
    const double maximum = shown(maxPeriod);
    if (maximum < shown(minPeriod)) {
        messages.emplace_back(
            "Invalid choice. The maximum period must be greater than or equal to the minimum "
            "period.");
    }
    if (maximum > shown(dataLength)) {
        messages.emplace_back(
            "The maximum period to search for must be shorter than the length of the data set.");
    }
    return messages;
}

std::string defaultMaxPeriod(double dataLength) {
    return numberText(dataLength);
}

namespace {

// "'NA' in row 14 of Col. 1 mag"
std::string firstOf(const SkippedCells& cells) {
    return "'" + cells.firstText + "' in row " + std::to_string(cells.firstRow) + " of " +
           cells.firstColumn;
}

}  // namespace

std::string leftOutMessage(const SkippedCells& leftOut) {
    if (leftOut.count == 1) {
        return "1 row left out: " + firstOf(leftOut) + " is neither a number nor a date.";
    }
    return std::to_string(leftOut.count) + " rows left out: " + firstOf(leftOut) + " and " +
           std::to_string(leftOut.count - 1) + " more X or Y cells are neither numbers nor dates.";
}

std::string readAsZeroMessage(const SkippedCells& readAsZero) {
    return std::to_string(readAsZero.count) +
           (readAsZero.count == 1 ? " cell of the X or Y column was"
                                  : " cells of the X or Y "
                                    "column were") +
           " read as 0 for want of a number, the first " + firstOf(readAsZero) +
           " (this kind of file reads a cell as the number it starts with).";
}

std::string repeatedValueMessage(double x) {
    return "Error. The data set contains a repeated value - " + numberText(x) +
           ". Please remove it manually and restart the program.";
}

std::string repeatedValuesSummary(std::span<const RepeatedValue> repeated) {
    constexpr std::size_t kNamed = 10;
    std::uint64_t pairs = 0;
    std::vector<std::string> named;
    std::unordered_set<double> seen;
    for (const RepeatedValue& value : repeated) {
        pairs += value.times;
        // The first point of each X has all the others after it.
        if (seen.insert(value.x).second && named.size() < kNamed) {
            named.push_back(numberText(value.x) + " (" + std::to_string(value.times + 1) +
                            " times)");
        }
    }
    if (pairs < 2) {
        return {};
    }
    std::string text = "In all, " + std::to_string(pairs) +
                       " pairs of points with equal X were left out of the analysis. ";
    if (seen.size() == 1) {
        text += "1 X value occurs more than once: ";
    } else {
        text += std::to_string(seen.size()) + " X values occur more than once";
        text += seen.size() > kNamed ? "; the first ten are: " : ": ";
    }
    for (std::size_t i = 0; i < named.size(); ++i) {
        text += (i == 0 ? "" : ", ") + named[i];
    }
    return text + ".";
}

}  // namespace tesselin
