#include "analysis/lag_binning.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string_view>
#include <thread>

#include "analysis/sorted_points.h"

namespace tesselin {
namespace {

// A bin's sum and count side by side: one cache line holds both.
struct BinTotal {
    double sum = 0;
    std::uint64_t count = 0;
};
using Accumulator = std::vector<BinTotal>;

// Where the runs of every bin edge stood for the last point, for each thread.
struct RunPointers {
    std::vector<std::size_t> atLeast;  // the first later point whose period reaches the edge
    std::vector<std::size_t> beyond;   // the first whose period passes it
    bool placed = false;               // they stand for a point of this chunk
};

// Eight doubles: one AVX-512 register, two AVX registers, four SSE ones.
using Vec8 = double __attribute__((vector_size(64)));
using Bits8 = std::uint64_t __attribute__((vector_size(64)));

// What a pair adds to its bin: |dY|, or dY^2.
template <bool kSquares>
inline double difference(double yj, double yi) {
    const double d = yj - yi;
    if constexpr (kSquares) {
        return d * d;
    } else {
        return std::fabs(d);
    }
}

// `w`, when not null, holds how many times each value counts.
template <bool kSquares>
inline void addDifferences(Vec8& sum, const double* y, const double* w, Vec8 base) {
    Vec8 v;
    std::memcpy(&v, y, sizeof v);
    const Vec8 d = v - base;
    Vec8 added;
    if constexpr (kSquares) {
        added = d * d;
    } else {
        const Bits8 noSign = ~Bits8{} >> 1;
        added = reinterpret_cast<Vec8>(reinterpret_cast<Bits8>(d) & noSign);
    }
    if (w != nullptr) {
        Vec8 times;
        std::memcpy(&times, w, sizeof times);
        added *= times;
    }
    sum += added;
}

// The sum of what the pairs (yi, y[j]) add, over j in [begin, end). The
// lanes are added in a fixed order, so every instruction set gives the same
// bits.
template <bool kSquares>
inline double sumDifferences(const double* y, const double* w, std::size_t begin, std::size_t end,
                             double yi) {
    const Vec8 base = Vec8{} + yi;
    // Four independent sums, so that each addition need not wait for the last.
    Vec8 a{};
    Vec8 b{};
    Vec8 c{};
    Vec8 d{};
    std::size_t j = begin;
    const auto at = [w](std::size_t k) { return w != nullptr ? w + k : nullptr; };
    for (; j + 32 <= end; j += 32) {
        addDifferences<kSquares>(a, y + j, at(j), base);
        addDifferences<kSquares>(b, y + j + 8, at(j + 8), base);
        addDifferences<kSquares>(c, y + j + 16, at(j + 16), base);
        addDifferences<kSquares>(d, y + j + 24, at(j + 24), base);
    }
    for (; j + 8 <= end; j += 8) {
        addDifferences<kSquares>(a, y + j, at(j), base);
    }
    const Vec8 lanes = (a + b) + (c + d);
    double total = ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) +
                   ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
    for (; j < end; ++j) {
        total += difference<kSquares>(y[j], yi) * (w != nullptr ? w[j] : 1.0);
    }
    return total;
}

// The first index in [from, to) where a predicate that turns true once and
// stays true holds (`to` if none): a galloping search, cheap when the answer
// is near and logarithmic when it is far.
template <typename Pred>
std::size_t firstWhere(std::size_t from, std::size_t to, Pred holds) {
    std::size_t lo = from;
    std::size_t hi = from;
    std::size_t step = 1;
    while (hi < to && !holds(hi)) {
        lo = hi + 1;
        hi = std::min(to, hi + step);
        step *= 2;
    }
    while (lo < hi) {  // the answer lies in [lo, hi]
        const std::size_t mid = lo + (hi - lo) / 2;
        if (holds(mid)) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// Bins the pairs of each point in [firstPoint, lastPoint) of the sorted order
// with the later points of greater X. Their periods x[j] - x[i] do not
// decrease with j, so each bin's pairs form one run of j; every comparison
// uses the period computed exactly as a pair's period and the exact edge
// doubles. Bins of unequal width (logarithmic ones) are always found through
// their runs: the guess below needs one width.
template <bool kSquares, bool kWeighted>
__attribute__((always_inline)) inline void binPointsOf(const SortedPoints& points,
                                                       const std::vector<double>& edges,
                                                       bool equalWidths, std::size_t firstPoint,
                                                       std::size_t lastPoint, Accumulator& acc,
                                                       RunPointers& runs) {
    // Runs this long or longer are found by search and summed in vectors;
    // shorter ones cost less pair by pair.
    constexpr std::size_t kLongRun = 16;
    const std::size_t n = points.x.size();
    const std::size_t bins = edges.size() - 1;
    const double* x = points.x.data();
    const double* y = points.y.data();
    const double* w = kWeighted ? points.weight.data() : nullptr;
    const double* edge = edges.data();
    BinTotal* total = acc.data();
    const double span = edge[bins] - edge[0];
    const double binsPerPeriod =
        span > 0 && std::isfinite(span) ? static_cast<double>(bins) / span : 0.0;
    // How far, in bins, rounding can move a guess from the true position of
    // a period among the edges: the errors of the edges, of the period's
    // distance from the first edge and of the bin width, each a few units in
    // the last place of the largest edge, plus the relative error of the
    // scaling, taken with room to spare. Guesses closer than this to a whole
    // number are checked against the edges.
    const double largest = std::max(std::fabs(edge[0]), std::fabs(edge[bins]));
    const double unit = std::ldexp(largest, -52);
    const double margin =
        binsPerPeriod > 0 ? 16 * unit * binsPerPeriod + static_cast<double>(bins) * 0x1p-46 : 1.0;
    // Guesses from here on may reach the last edge or beyond.
    const double lastWhole = static_cast<double>(bins) - 1;
    std::fill(runs.atLeast.begin(), runs.atLeast.end(), 0);
    std::fill(runs.beyond.begin(), runs.beyond.end(), 0);
    runs.placed = false;

    for (std::size_t i = firstPoint; i < lastPoint; ++i) {
        const double xi = x[i];
        const double yi = y[i];
        const double wi = w != nullptr ? w[i] : 1.0;
        const auto periodAtLeast = [=](double bound) {
            return [=](std::size_t j) { return x[j] - xi >= bound; };
        };
        // Every period from j on is at least the start of bin k.
        std::size_t j = firstWhere(points.nextGreater[i], n, periodAtLeast(edge[0]));
        std::size_t k = 0;

        if (!equalWidths || (n - j) / bins >= kLongRun) {
            // Bin k's pairs are the run [atLeast[k], beyond[k + 1]). Both
            // ends only move forward from one point to the next, so each is
            // found from where it was for the previous point, in a step or two.
            std::size_t* atLeast = runs.atLeast.data();
            std::size_t* beyond = runs.beyond.data();
            const auto advance = [&](std::size_t from, auto passed) {
                if (!runs.placed) {  // the chunk's first point: search
                    return firstWhere(from, n, passed);
                }
                while (from < n && !passed(from)) {
                    ++from;
                }
                return from;
            };
            atLeast[0] = j;
            for (std::size_t e = 1; e <= bins; ++e) {
                atLeast[e] = advance(std::max(atLeast[e], atLeast[e - 1]), periodAtLeast(edge[e]));
            }
            for (std::size_t e = 1; e <= bins; ++e) {
                const double bound = edge[e];
                beyond[e] = advance(std::max(beyond[e], atLeast[e]),
                                    [=](std::size_t m) { return x[m] - xi > bound; });
            }
            runs.placed = true;
            for (k = 0; k < bins; ++k) {
                if (beyond[k + 1] > atLeast[k]) {
                    if (w == nullptr) {
                        total[k].sum +=
                            sumDifferences<kSquares>(y, nullptr, atLeast[k], beyond[k + 1], yi);
                        total[k].count += beyond[k + 1] - atLeast[k];
                    } else {
                        total[k].sum +=
                            wi * sumDifferences<kSquares>(y, w, atLeast[k], beyond[k + 1], yi);
                        total[k].count +=
                            static_cast<std::uint64_t>(wi) *
                            (points.weightBefore[beyond[k + 1]] - points.weightBefore[atLeast[k]]);
                    }
                }
            }
            continue;
        }

        for (; j < n; ++j) {
            const double period = x[j] - xi;
            // The bins have one width: the bin follows from the period.
            // Where the guess lies well inside a bin, farther from its edges
            // than all rounding can move it, the period lies strictly within
            // that bin; only near an edge do the exact edges decide.
            const double guess = (period - edge[0]) * binsPerPeriod;
            if (guess < lastWhole) {
                const auto g = static_cast<std::size_t>(guess);
                const double within = guess - static_cast<double>(g);
                if (within > margin && within < 1 - margin) {
                    if (w == nullptr) {
                        total[g].sum += difference<kSquares>(y[j], yi);
                        ++total[g].count;
                    } else {
                        total[g].sum += difference<kSquares>(y[j], yi) * (wi * w[j]);
                        total[g].count += static_cast<std::uint64_t>(wi * w[j]);
                    }
                    continue;
                }
            }
            std::size_t g =
                guess < static_cast<double>(bins) ? static_cast<std::size_t>(guess) : bins;
            while (g > 0 && edge[g] >= period) {
                --g;
            }
            while (g < bins && edge[g + 1] < period) {
                ++g;
            }
            if (g == bins) {
                break;  // beyond the last bin, and so are the later pairs
            }
            // The lowest bin whose end reaches the period holds it, and so
            // does each following bin that starts exactly at it.
            const double times = w != nullptr ? wi * w[j] : 1.0;
            const double added = difference<kSquares>(y[j], yi) * times;
            for (std::size_t m = g; m < bins && edge[m] <= period; ++m) {
                total[m].sum += added;
                total[m].count += static_cast<std::uint64_t>(times);
            }
        }
    }
}

// The pair walk, compiled for several vector widths; the loader picks the
// widest the processor has.
#define TESSELIN_BIN_WALK(name, squares, weighted)                                             \
    __attribute__((target_clones("avx512f", "avx2", "default"))) void name(                    \
        const SortedPoints& points, const std::vector<double>& edges, bool equalWidths,        \
        std::size_t firstPoint, std::size_t lastPoint, Accumulator& acc, RunPointers& runs) {  \
        binPointsOf<squares, weighted>(points, edges, equalWidths, firstPoint, lastPoint, acc, \
                                       runs);                                                  \
    }
TESSELIN_BIN_WALK(binAbsolute, false, false)
TESSELIN_BIN_WALK(binSquares, true, false)
TESSELIN_BIN_WALK(binAbsoluteWeighted, false, true)
TESSELIN_BIN_WALK(binSquaresWeighted, true, true)
#undef TESSELIN_BIN_WALK

// Chunks of points with roughly equal numbers of pairs. They depend only on
// the number of points, never on the number of threads.
std::vector<std::size_t> chunkBounds(std::size_t n) {
    constexpr double kMaxChunks = 32;
    constexpr double kPairsPerChunk = 1 << 20;
    const double pairs = 0.5 * static_cast<double>(n) * static_cast<double>(n - (n > 0 ? 1 : 0));
    const double chunks = std::clamp(std::ceil(pairs / kPairsPerChunk), 1.0, kMaxChunks);
    std::vector<std::size_t> bounds{0};
    double pairsSoFar = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        pairsSoFar += static_cast<double>(n - 1 - i);
        const auto done = static_cast<double>(bounds.size());
        if (done < chunks && pairsSoFar >= pairs * done / chunks) {
            bounds.push_back(i + 1);
        }
    }
    if (bounds.back() != n) {
        bounds.push_back(n);
    }
    return bounds;
}

// Which way of binning costs less: pair by pair (a vectorised walk through
// every pair, well under a nanosecond each) or through the ranks of Y (a
// step per point, bin edge and doubling of N, each about 60 times a pair's
// cost, as measured by the analysis benchmark).
// TESSELIN_BINNING=pairs or =ranks chooses where the caller does not.
bool byRanks(std::size_t points, std::size_t bins, BinningPath path) {
    if (path == BinningPath::Cheaper) {
        if (const char* forced = std::getenv("TESSELIN_BINNING")) {
            const std::string_view name(forced);
            path = name == "ranks"   ? BinningPath::Ranks
                   : name == "pairs" ? BinningPath::Pairs
                                     : BinningPath::Cheaper;
        }
    }
    if (path != BinningPath::Cheaper) {
        return path == BinningPath::Ranks;
    }
    const double n = static_cast<double>(points);
    const double pairCost = 0.5 * n * n;
    const double rankCost = 60.0 * n * static_cast<double>(bins + 1) * std::log2(n + 2);
    return rankCost < pairCost;
}

}  // namespace

SortedPoints sortByX(std::span<const DataPoint> points, std::span<const double> weights) {
    const std::size_t n = points.size();
    SortedPoints result;
    result.x.resize(n);
    result.y.resize(n);
    result.nextGreater.resize(n);
    if (weights.empty()) {
        struct Keyed {
            std::uint64_t key;
            double y;
        };
        std::vector<Keyed> sorted(n);
        for (std::size_t i = 0; i < n; ++i) {
            sorted[i] = {orderedKey(points[i].x), points[i].y};
        }
        radixSort(sorted);
        for (std::size_t i = 0; i < n; ++i) {
            result.x[i] = fromOrderedKey(sorted[i].key);
            result.y[i] = sorted[i].y;
        }
    } else {
        struct Keyed {
            std::uint64_t key;
            double y;
            double weight;
        };
        std::vector<Keyed> sorted(n);
        for (std::size_t i = 0; i < n; ++i) {
            sorted[i] = {orderedKey(points[i].x), points[i].y, weights[i]};
        }
        radixSort(sorted);
        result.weight.resize(n);
        result.weightBefore.resize(n + 1);
        for (std::size_t i = 0; i < n; ++i) {
            result.x[i] = fromOrderedKey(sorted[i].key);
            result.y[i] = sorted[i].y;
            result.weight[i] = sorted[i].weight;
            result.weightBefore[i + 1] =
                result.weightBefore[i] + static_cast<std::uint64_t>(sorted[i].weight);
        }
    }
    for (std::size_t i = n; i-- > 0;) {
        result.nextGreater[i] =
            (i + 1 < n && result.x[i + 1] == result.x[i]) ? result.nextGreater[i + 1] : i + 1;
    }
    return result;
}

std::size_t binCount(double binNumber) {
    return static_cast<std::size_t>(std::max(0.0, std::nearbyint(binNumber)));
}

double binEdge(double binNumber, double minPeriod, double maxPeriod, std::size_t k) {
    if (binNumber == std::nearbyint(binNumber) && static_cast<double>(k) == binNumber) {
        return maxPeriod;
    }
    const double range = maxPeriod - minPeriod;
    const double scaled = range * static_cast<double>(k);
    if (std::isinf(scaled)) {
        // A range near the largest double: scale the fraction instead, so
        // that the edges stay within the range.
        return minPeriod + range * (static_cast<double>(k) / binNumber);
    }
    return minPeriod + scaled / binNumber;
}

double logBinEdge(double binNumber, double minPeriod, double maxPeriod, std::size_t k) {
    if (binNumber == std::nearbyint(binNumber) && static_cast<double>(k) == binNumber) {
        return maxPeriod;
    }
    const double fraction = static_cast<double>(k) / binNumber;
    const double ratio = maxPeriod / minPeriod;
    if (!std::isfinite(ratio)) {
        // A ratio beyond the largest double: the same edges through logarithms.
        return std::exp(std::log(minPeriod) +
                        fraction * (std::log(maxPeriod) - std::log(minPeriod)));
    }
    return minPeriod * std::pow(ratio, fraction);
}

std::vector<double> binEdges(double binNumber, double minPeriod, double maxPeriod, BinScale scale) {
    std::vector<double> edges(binCount(binNumber) + 1);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        edges[k] = scale == BinScale::Log ? logBinEdge(binNumber, minPeriod, maxPeriod, k)
                                          : binEdge(binNumber, minPeriod, maxPeriod, k);
    }
    return edges;
}

std::vector<BinRow> computeBins(std::span<const DataPoint> points, double binNumber,
                                double minPeriod, double maxPeriod, const BinningOptions& options) {
    const std::size_t bins = binCount(binNumber);
    if (minPeriod == maxPeriod && bins > 1) {
        // Every bin of a zero-width range is [MinPeriod, MinPeriod] and holds
        // the same pairs: count them once.
        const BinRow only = computeBins(points, 1.0, minPeriod, maxPeriod, options).front();
        return std::vector<BinRow>(bins, only);
    }
    const std::vector<double> edges = binEdges(binNumber, minPeriod, maxPeriod, options.scale);
    const unsigned threads =
        options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    std::uint64_t counted = points.size();
    if (!options.weights.empty()) {
        counted = 0;
        for (const double weight : options.weights) {
            counted += static_cast<std::uint64_t>(weight);
        }
    }
    const bool ranks = byRanks(counted, bins, options.path);
    if (ranks && !options.weights.empty()) {
        // The rank path takes copies of the points themselves.
        std::vector<DataPoint> copies;
        copies.reserve(counted);
        for (std::size_t i = 0; i < points.size(); ++i) {
            copies.insert(copies.end(), static_cast<std::size_t>(options.weights[i]), points[i]);
        }
        BinningOptions unweighted = options;
        unweighted.weights = {};
        unweighted.path = BinningPath::Ranks;
        return computeBins(copies, binNumber, minPeriod, maxPeriod, unweighted);
    }
    SortedPoints sorted = sortByX(points, options.weights);
    if (ranks) {
        const BinSums binned =
            binByRanks(sorted, edges, sumsSquares(options.statistic), threads, options.progress);
        std::vector<BinRow> table(bins);
        for (std::size_t k = 0; k < bins; ++k) {
            table[k] = {edges[k], edges[k + 1], binned.sum[k], static_cast<double>(binned.count[k]),
                        binned.exponent};
        }
        return table;
    }
    // Squares of values far from 1 are summed scaled (see squaresScale).
    int exponent = 0;
    if (sumsSquares(options.statistic)) {
        const int scale = squaresScale(largestMagnitude(sorted.y), sorted.y.size());
        for (double& y : sorted.y) {
            y = std::ldexp(y, -scale);
        }
        exponent = 2 * scale;
    }
    const std::vector<std::size_t> bounds = chunkBounds(sorted.x.size());
    const std::size_t chunks = bounds.size() - 1;

    std::vector<Accumulator> partial(chunks);
    for (Accumulator& acc : partial) {  // allocated here: the workers never throw
        acc.assign(bins, {});
    }
    std::atomic<std::size_t> nextChunk{0};
    if (options.progress != nullptr) {
        options.progress->begin(chunks);
    }
    const std::size_t workers = std::min<std::size_t>(threads, chunks);
    std::vector<RunPointers> runs(
        workers, {std::vector<std::size_t>(bins + 1), std::vector<std::size_t>(bins + 1)});
    const auto work = [&](std::size_t worker) {
        // The last chunks cost the most per pair (their runs are short), so
        // they go first and no thread is left with one at the end.
        for (std::size_t taken = nextChunk++; taken < chunks; taken = nextChunk++) {
            const std::size_t c = chunks - 1 - taken;
            const bool squares = sumsSquares(options.statistic);
            const auto bin = sorted.weight.empty()
                                 ? (squares ? binSquares : binAbsolute)
                                 : (squares ? binSquaresWeighted : binAbsoluteWeighted);
            bin(sorted, edges, options.scale == BinScale::Linear, bounds[c], bounds[c + 1],
                partial[c], runs[worker]);
            if (options.progress != nullptr) {
                options.progress->advance(1);
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < workers; ++t) {
            if (!startThread(helpers, work, t)) {
                break;  // the chunks are shared out: fewer threads take them all
            }
        }
        work(0);
    }

    std::vector<BinRow> table(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        table[k].start = edges[k];
        table[k].end = edges[k + 1];
        table[k].exponent = exponent;
        std::uint64_t count = 0;
        for (const Accumulator& acc : partial) {  // always in chunk order
            table[k].sum += acc[k].sum;
            count += acc[k].count;
        }
        table[k].count = static_cast<double>(count);
    }
    return table;
}

std::vector<RepeatedValue> repeatedValues(std::span<const DataPoint> points) {
    // Group equal X values by sorting indices; in a group of m points, the
    // one at position g has m - 1 - g later points with the same X.
    std::vector<std::size_t> order(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return points[a].x < points[b].x; });
    std::vector<std::uint64_t> later(points.size(), 0);
    for (std::size_t g = 0; g < order.size();) {
        std::size_t end = g + 1;
        while (end < order.size() && points[order[end]].x == points[order[g]].x) {
            ++end;
        }
        for (std::size_t m = g; m < end; ++m) {
            later[order[m]] = end - 1 - m;  // the stable sort keeps data order in a group
        }
        g = end;
    }
    std::vector<RepeatedValue> repeated;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (later[i] > 0) {
            repeated.push_back({points[i].x, i, later[i]});
        }
    }
    return repeated;
}

}  // namespace tesselin
