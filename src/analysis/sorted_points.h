#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <span>
#include <vector>

#include "analysis/extraction.h"
#include "common/Progress.h"
#include "common/threads.h"

namespace tesselin {

// Points sorted by X, kept as two arrays so that the inner loops stream them.
struct SortedPoints {
    std::vector<double> x;
    std::vector<double> y;
    // For each point, the first index whose X is greater than its own.
    std::vector<std::size_t> nextGreater;
    // How many times each point counts (copies of one point, as a bootstrap
    // resample draws them), and the counts of the points before each index;
    // both empty where every point counts once.
    std::vector<double> weight;
    std::vector<std::uint64_t> weightBefore;
};

// With `weights` (whole numbers, one per point), the points carry them.
SortedPoints sortByX(std::span<const DataPoint> points, std::span<const double> weights = {});

// A key that orders doubles as numbers do, with -0 and +0 as one value (as
// the comparison a < b has them); NaN has no place.
inline std::uint64_t orderedKey(double value) {
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    const auto bits = std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value);
    return (bits & kSign) != 0 ? ~bits : bits | kSign;
}

inline double fromOrderedKey(std::uint64_t key) {
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    return std::bit_cast<double>((key & kSign) != 0 ? key & ~kSign : ~key);
}

// Sorts items by their `key` member, stably: a radix sort, 16 bits at a
// time, linear in the number of items where a comparison sort is N log N.
template <typename Item>
void radixSort(std::vector<Item>& items) {
    const std::size_t n = items.size();
    if (n < (std::size_t{1} << 13)) {
        // Its tables of 65,536 counts cost more than a small series: a
        // comparison sort, stable as the radix sort is, gives the same order.
        std::stable_sort(items.begin(), items.end(),
                         [](const Item& a, const Item& b) { return a.key < b.key; });
        return;
    }
    std::vector<Item> spare(n);
    std::vector<std::size_t> start(std::size_t{1} << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(start.begin(), start.end(), 0);
        for (const Item& item : items) {
            ++start[(item.key >> shift) & 0xFFFF];
        }
        if (std::find(start.begin(), start.end(), n) != start.end()) {
            continue;  // every key has this digit
        }
        std::exclusive_scan(start.begin(), start.end(), start.begin(), std::size_t{0});
        for (const Item& item : items) {
            spare[start[(item.key >> shift) & 0xFFFF]++] = item;
        }
        items.swap(spare);
    }
}

// The largest |v| among the values (0 for none).
inline double largestMagnitude(std::span<const double> values) {
    double largest = 0;
    for (const double v : values) {
        largest = std::max(largest, std::abs(v));
    }
    return largest;
}

// The power of two that values of this largest magnitude are divided by
// before the squares of their differences are summed over the pairs of n
// points: squares of values beyond some 1e150 would pass the largest double,
// and those of values below 1e-120 lose their digits. The bins' exponent
// (twice this) undoes it.
inline int squaresScale(double largest, std::size_t n) {
    if (!(largest > 0) || !std::isfinite(largest)) {
        return 0;
    }
    const int headroom = 2 * static_cast<int>(std::bit_width(n)) + 4;
    const int magnitude = std::ilogb(largest);
    return magnitude > 500 - headroom ? magnitude - (500 - headroom)
           : magnitude < -400         ? magnitude
                                      : 0;
}

// What the binning of the pairs gives per bin, before it becomes BinRows.
struct BinSums {
    std::vector<double> sum;
    std::vector<std::uint64_t> count;
    int exponent = 0;  // each sum stands for sum * 2^exponent
};

// The lag binning without visiting the pairs: with the points sorted by X,
// the pairs of point i in bin k are one run of later points, and what the bin
// needs of the run (how many, and the sum of |y_j - y_i|) follows from how many
// of the run's Y values lie below y_i and their sum. One sweep over the
// positions, with a Fenwick tree over the ranks of Y, answers those questions
// for all runs: O(N * B * log N) time, O(N) memory shared by the threads and
// O(B) more for each. Sums are
// carried in double-double (compensated) arithmetic, so they agree with an
// exactly accumulated pair-by-pair sum to well below 1e-12, outliers included.
// The edges are those of binEdges; the threads (computeBins has resolved 0
// to the number of cores, and more than that are not used) take the edges in
// turn and meet after each chunk of points, and each edge's terms are summed
// in one order, so the bits do not depend on the number of threads.
// The progress, if given, counts the run ends met.
// With `squares`, the bins sum (y_j - y_i)^2 instead, which needs no tree:
// over a run, it follows from the sums of the values and of their squares.
BinSums binByRanks(const SortedPoints& points, const std::vector<double>& edges, bool squares,
                   unsigned threads, Progress* progress = nullptr);

}  // namespace tesselin
