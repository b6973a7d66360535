#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataPoint.h"

// The three analysis parameters: the questions that ask for them and the
// checks of the answers. Every number in a check is first written as its
// number text and read back, so that what the user sees is what is compared.
namespace tesselin {

struct Question {
    std::string_view prompt;
    std::string_view title;
};

inline constexpr Question kBinNumberQuestion{"Please enter the desired number of bins.", "Input"};
inline constexpr Question kMinPeriodQuestion{
    "Please enter the minimum period length to search for.", "Input"};
inline constexpr Question kMaxPeriodQuestion{
    "Please enter the maximum period length to search for.", "Input"};
inline constexpr std::string_view kDefaultBinNumber = "25";
inline constexpr std::string_view kDefaultMinPeriod = "0";

// The title of every message about a wrong answer (with the exclamation icon).
inline constexpr std::string_view kAnswerErrorTitle = "Error";

// The largest number of bins: bins are counted with 16-bit integers.
inline constexpr int kMaxBinNumber = 32767;

// The messages that an answer brings, in the order they are shown; none means
// the answer is accepted.
std::vector<std::string_view> binNumberMessages(double binNumber);
std::vector<std::string_view> minPeriodMessages(double minPeriod, double dataLength);
std::vector<std::string_view> maxPeriodMessages(double maxPeriod, double minPeriod,
                                                double dataLength);

// Logarithmic bins need a minimum period above 0.
inline constexpr std::string_view kLogMinimumText =
    "Logarithmic bins start above 0.  Please enter a minimum period greater than 0.";

// The default answer to the maximum-period question.
std::string defaultMaxPeriod(double dataLength);

// No data: the chosen columns hold no row without a blank cell.
inline constexpr std::string_view kNoDataTitle = "Warning:  No Data to Analyze";
inline constexpr std::string_view kNoDataText =
    "The selected columns do not contain numerical data.  Please return to the previous form and "
    "ensure that the selected column numbers contain valid data.";
// A data set of length 0 (one point, or all X equal) leaves no minimum period
// that could be accepted, so the run stops after the summary.
inline constexpr std::string_view kNoLengthText =
    "The data set has a length of 0.  At least two different X values are needed for an "
    "analysis.";

// X values so far apart that the data set's length (the largest X less the
// smallest) is beyond the largest double, and bins whose edges or midpoints
// would be: the run stops rather than end in an empty table.
inline constexpr std::string_view kLengthOutOfRangeText =
    "The data set's length (its largest X less its smallest) is beyond the largest number, "
    "1.79769313486232E+308, so it cannot be analysed.  Check the X column for values such as "
    "1E+308.";
inline constexpr std::string_view kBinsOutOfRangeText =
    "The bins cannot be formed: an edge or midpoint of them would lie beyond the largest number, "
    "1.79769313486232E+308.  Choose a smaller maximum period.";

// The rows left out because their X or Y cell is no number ("3 rows left
// out: 'NA' in row 14 of Col. 1 mag ..."), and the cells read as 0 for want
// of a number by the leading-number rule.
inline constexpr std::string_view kLeftOutTitle = "Warning";
std::string leftOutMessage(const SkippedCells& leftOut);
std::string readAsZeroMessage(const SkippedCells& readAsZero);

struct RepeatedValue;

// The message for the first pair of points with equal X.
std::string repeatedValueMessage(double x);

// What follows it when more pairs share their X: how many pairs were left out
// in all (the first included), how many X values repeat, and the first ten of
// them with how often each occurs. Empty when the first pair was the only one.
std::string repeatedValuesSummary(std::span<const RepeatedValue> repeated);

}  // namespace tesselin
