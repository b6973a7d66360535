#include "analysis/results_table.h"

#include "analysis/lag_binning.h"
#include "analysis/results_file.h"
#include "common/numbers.h"

namespace tesselin {
namespace {

constexpr int kDecimals = 7;

// The text the grid shows and the results file writes: at most 14
// characters (see fitResultsField).
std::string rounded(double value) {
    return fitResultsField(numberText(roundHalfEven(value, kDecimals)));
}

}  // namespace

ResultsTable buildResultsTable(std::span<const BinRow> bins, std::span<const double> values,
                               std::span<const double> midpoints, Statistic statistic) {
    ResultsTable table{kResultsCaptions};
    table.front()[3] = std::string(namesOf(statistic).caption);
    for (std::size_t k = 0; k < bins.size(); ++k) {
        const BinRow& bin = bins[k];
        if (bin.count > 0) {
            table.push_back({rounded(bin.start), rounded(bin.end), rounded(midpoints[k]),
                             rounded(values[k]), fitResultsField(numberText(bin.count))});
        }
    }
    return table;
}

ResultsTable buildResultsTable(std::span<const BinRow> bins) {
    std::vector<double> values;
    std::vector<double> midpoints;
    for (const BinRow& bin : bins) {
        values.push_back(binValue(Statistic::MeanAbs, bin.sum, bin.count));
        midpoints.push_back(binMidpoint(bin.start, bin.end, BinScale::Linear));
    }
    return buildResultsTable(bins, values, midpoints);
}

}  // namespace tesselin
