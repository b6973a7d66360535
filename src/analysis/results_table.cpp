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

ResultsTable buildResultsTable(std::span<const BinRow> bins) {
    ResultsTable table{kResultsCaptions};
    for (const BinRow& bin : bins) {
        if (bin.count > 0) {
            table.push_back({rounded(bin.start), rounded(bin.end),
                             rounded((bin.end + bin.start) / 2), rounded(bin.sum / bin.count),
                             fitResultsField(numberText(bin.count))});
        }
    }
    return table;
}

}  // namespace tesselin
