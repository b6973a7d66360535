#include "analysis/parameters.h"

#include <cmath>

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

std::string repeatedValueMessage(double x) {
    return "Error. The data set contains a repeated value - " + numberText(x) +
           ". Please remove it manually and restart the program.";
}

}  // namespace tesselin
