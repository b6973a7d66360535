#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "analysis/lag_binning.h"
#include "analysis/statistics.h"
#include "common/Progress.h"

namespace tesselin {

// How the series of an ensemble count in a bin: every pair once (a bin's
// value is that of all its pairs), or every series once (its value is the
// mean of the values of the series that have pairs in it).
enum class SeriesWeight { Pairs, Series };

// One curve from the bins of several series (pairs formed within each
// series only; one series gives its own bins). The rows hold the summed
// sums and counts; `values` each bin's value (NaN for a bin without pairs).
struct CombinedBins {
    std::vector<BinRow> rows;
    std::vector<double> values;
};
CombinedBins combineSeries(std::span<const std::vector<BinRow>> series, Statistic statistic,
                           SeriesWeight weight);

// The spread of a bin's value over the bootstrap resamples that had pairs in
// it: the standard deviation (with K - 1 in the denominator) and the 16th
// and 84th percentiles (linear between the nearest values). NaN where too
// few resamples had pairs (fewer than two for the deviation, none for the
// percentiles).
struct BinSpread {
    double std = std::numeric_limits<double>::quiet_NaN();
    double p16 = std::numeric_limits<double>::quiet_NaN();
    double p84 = std::numeric_limits<double>::quiet_NaN();
    std::uint64_t resamples = 0;  // how many resamples had pairs in the bin
};

// The bootstrap: `resamples` times, every series is resampled with
// replacement (as many points drawn at random, all equally likely, as it
// has), binned as the originals were and combined. Copies of one point have
// one X, so their pairs are not binned. The draws depend on the seed, the
// resample and the series alone, so the spread does not depend on the
// number of threads. The progress counts resamples.
struct BootstrapOptions {
    unsigned resamples = 100;
    std::uint64_t seed = 0;
    SeriesWeight weight = SeriesWeight::Pairs;
    Progress* progress = nullptr;
};
std::vector<BinSpread> bootstrapBins(std::span<const std::span<const DataPoint>> series,
                                     double binNumber, double minPeriod, double maxPeriod,
                                     const BinningOptions& binning,
                                     const BootstrapOptions& options);

// A resample's draws: the index of each drawn point among n. Exposed for
// the tests of its spread.
std::vector<std::size_t> resampleIndices(std::size_t n, std::uint64_t seed, std::uint64_t resample,
                                         std::uint64_t series);

}  // namespace tesselin
