#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/extraction.h"
#include "analysis/statistics.h"
#include "common/Progress.h"

namespace tesselin {

// One period bin: its inclusive edges, and the sum of the value differences
// |dY| (or of their squares, for the statistics of squares) of the pairs
// whose period |dX| lies within them, and their number.
struct BinRow {
    double start = 0.0;
    double end = 0.0;
    double sum = 0.0;
    double count = 0.0;
    // The sum stands for sum * 2^exponent: sums of squares of values far
    // from 1 are kept scaled, so that a bin's rms is exact where its mean
    // square would be beyond the range of a double.
    int exponent = 0;
};

// The number of bins: BinNumber rounded to the nearest whole number.
std::size_t binCount(double binNumber);

// Edge k (k = 0 .. binCount) of the bins: MinPeriod + ((MaxPeriod -
// MinPeriod) * k) / BinNumber, evaluated in exactly this order, so that the
// end of a bin and the start of the next are the same double. BinNumber is
// the value the answer was read as, which need not be whole to the last bit.
// Where the product would overflow, MinPeriod + (MaxPeriod - MinPeriod) *
// (k / BinNumber) is taken instead. With a whole BinNumber the last edge is
// MaxPeriod itself, which the formula may miss by rounding ((0.7 * 3) / 3 is
// 0.6999999999999998), leaving a pair at the maximum in no bin.
double binEdge(double binNumber, double minPeriod, double maxPeriod, std::size_t k);
// Logarithmic bins: edge k is MinPeriod * (MaxPeriod / MinPeriod)^(k /
// BinNumber), MinPeriod above 0, the last one MaxPeriod itself.
double logBinEdge(double binNumber, double minPeriod, double maxPeriod, std::size_t k);
std::vector<double> binEdges(double binNumber, double minPeriod, double maxPeriod,
                             BinScale scale = BinScale::Linear);

// How computeBins goes through the pairs: one by one (cheap per pair, N^2 of
// them), or through the ranks of Y (N * B * log N steps, with sums carried in
// double-double, so within 1e-12 of the exact sums on any data); by default
// whichever costs less for N points and B bins.
enum class BinningPath { Cheaper, Pairs, Ranks };

// The lag binning: every pair of points with different X adds |dY| to every
// bin whose edges (both inclusive) hold its period |dX|. A period on an inner
// edge therefore counts in two bins; pairs with equal X are not binned.
//
// The result does not depend on the number of threads (0: one per core):
// pair by pair, the work is cut into chunks that depend only on the data,
// and their partial sums are added in a fixed order; by ranks, the terms of
// each bin edge are summed in one order by one thread.
struct BinningOptions {
    Statistic statistic = Statistic::MeanAbs;  // sums |dY|, or dY^2 for the others
    BinScale scale = BinScale::Linear;
    unsigned threads = 0;  // 0: one per core
    BinningPath path = BinningPath::Cheaper;
    Progress* progress = nullptr;  // told how far the work has come
    // How many times each point counts, a whole number (copies of one point,
    // as a bootstrap resample draws them: their pairs among themselves have
    // one X and are not binned); empty: once each.
    std::span<const double> weights = {};
};
std::vector<BinRow> computeBins(std::span<const DataPoint> points, double binNumber,
                                double minPeriod, double maxPeriod,
                                const BinningOptions& options = {});

// A repeated X value met while going through the pairs in data order: the
// point at `index` has `times` later points with the same X, and each of
// those pairs brings one message naming x.
struct RepeatedValue {
    double x = 0.0;
    std::size_t index = 0;
    std::uint64_t times = 0;
};

// The repeated values in the order in which the pairs (i, j), i < j, in data
// order would meet them.
std::vector<RepeatedValue> repeatedValues(std::span<const DataPoint> points);

}  // namespace tesselin
