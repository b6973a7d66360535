#include "analysis/lag_binning.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string_view>
#include <thread>

#include "analysis/sorted_points.h"

namespace tesselin {
namespace {

struct Accumulator {
    std::vector<double> sum;
    std::vector<std::uint64_t> count;
};

// Eight doubles: one AVX-512 register, two AVX registers, four SSE ones.
using Vec8 = double __attribute__((vector_size(64)));
using Bits8 = std::uint64_t __attribute__((vector_size(64)));

// Sum of |y[j] - yi| over j in [begin, end). The lanes are added in a fixed
// order, so every instruction set gives the same bits.
inline double sumAbsDifferences(const double* y, std::size_t begin, std::size_t end, double yi) {
    const Vec8 base = Vec8{} + yi;
    const Bits8 noSign = ~Bits8{} >> 1;
    Vec8 first{};
    Vec8 second{};
    std::size_t j = begin;
    for (; j + 16 <= end; j += 16) {
        Vec8 a;
        Vec8 b;
        std::memcpy(&a, y + j, sizeof a);
        std::memcpy(&b, y + j + 8, sizeof b);
        first += reinterpret_cast<Vec8>(reinterpret_cast<Bits8>(a - base) & noSign);
        second += reinterpret_cast<Vec8>(reinterpret_cast<Bits8>(b - base) & noSign);
    }
    const Vec8 lanes = first + second;
    double total = ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) +
                   ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
    for (; j < end; ++j) {
        total += std::fabs(y[j] - yi);
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
// doubles. Compiled for several vector widths; the loader picks the widest the
// processor has.
__attribute__((target_clones("avx512f", "avx2", "default"))) void binPoints(
    const SortedPoints& points, const std::vector<double>& edges, std::size_t firstPoint,
    std::size_t lastPoint, Accumulator& acc) {
    // Runs this long or longer are found by search and summed in vectors;
    // shorter ones cost less pair by pair.
    constexpr std::size_t kLongRun = 64;
    const std::size_t n = points.x.size();
    const std::size_t bins = edges.size() - 1;
    const double* x = points.x.data();
    const double* y = points.y.data();
    const double* edge = edges.data();
    double* sum = acc.sum.data();
    std::uint64_t* count = acc.count.data();
    const double span = edge[bins] - edge[0];
    const double binsPerPeriod =
        span > 0 && std::isfinite(span) ? static_cast<double>(bins) / span : 0.0;

    for (std::size_t i = firstPoint; i < lastPoint; ++i) {
        const double xi = x[i];
        const double yi = y[i];
        const auto periodAtLeast = [=](double bound) {
            return [=](std::size_t j) { return x[j] - xi >= bound; };
        };
        // Every period from j on is at least the start of bin k.
        std::size_t j = firstWhere(points.nextGreater[i], n, periodAtLeast(edge[0]));
        std::size_t k = 0;

        if ((n - j) / bins >= kLongRun) {
            while (j < n && k < bins) {
                const double period = x[j] - xi;
                if (period > edge[k + 1]) {
                    // Nothing of this point ends in bin k: go to the first
                    // bin whose end reaches the period.
                    k = static_cast<std::size_t>(
                            std::lower_bound(edge + k + 1, edge + bins + 1, period) - edge) -
                        1;
                    continue;
                }
                const double binEnd = edge[k + 1];
                const std::size_t end =
                    firstWhere(j, n, [=](std::size_t m) { return x[m] - xi > binEnd; });
                sum[k] += sumAbsDifferences(y, j, end, yi);
                count[k] += end - j;
                // Periods equal to this bin's end also lie in the next bin.
                j = firstWhere(j, end, periodAtLeast(binEnd));
                ++k;
            }
            continue;
        }

        for (; j < n; ++j) {
            const double period = x[j] - xi;
            // The bins have one width: guess the bin from it, then let the
            // exact edges decide. The guess is almost always right, so the
            // corrections cost no mispredicted branches; k never moves back,
            // as periods only grow.
            const double guess = (period - edge[0]) * binsPerPeriod;
            std::size_t g =
                guess < static_cast<double>(bins) ? static_cast<std::size_t>(guess) : bins;
            g = std::max(g, k);
            while (g > k && edge[g] >= period) {
                --g;
            }
            while (g < bins && edge[g + 1] < period) {
                ++g;
            }
            k = g;
            if (k == bins) {
                break;  // beyond the last bin, and so are the later pairs
            }
            const double difference = std::fabs(y[j] - yi);
            // Bin k holds the period; so does each following bin that starts
            // exactly at it.
            for (std::size_t m = k; m < bins && edge[m] <= period; ++m) {
                sum[m] += difference;
                ++count[m];
            }
        }
    }
}

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

SortedPoints sortByX(std::span<const DataPoint> points) {
    std::vector<DataPoint> sorted(points.begin(), points.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const DataPoint& a, const DataPoint& b) { return a.x < b.x; });
    SortedPoints result;
    const std::size_t n = sorted.size();
    result.x.resize(n);
    result.y.resize(n);
    result.nextGreater.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        result.x[i] = sorted[i].x;
        result.y[i] = sorted[i].y;
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
    const double range = maxPeriod - minPeriod;
    const double scaled = range * static_cast<double>(k);
    if (std::isinf(scaled)) {
        // A range near the largest double: scale the fraction instead, so
        // that the edges stay within the range.
        return minPeriod + range * (static_cast<double>(k) / binNumber);
    }
    return minPeriod + scaled / binNumber;
}

std::vector<double> binEdges(double binNumber, double minPeriod, double maxPeriod) {
    std::vector<double> edges(binCount(binNumber) + 1);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        edges[k] = binEdge(binNumber, minPeriod, maxPeriod, k);
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
    const std::vector<double> edges = binEdges(binNumber, minPeriod, maxPeriod);
    const SortedPoints sorted = sortByX(points);
    const unsigned threads =
        options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    if (byRanks(sorted.x.size(), bins, options.path)) {
        const BinSums binned = binByRanks(sorted, edges, threads, options.progress);
        std::vector<BinRow> table(bins);
        for (std::size_t k = 0; k < bins; ++k) {
            table[k] = {edges[k], edges[k + 1], binned.sum[k],
                        static_cast<double>(binned.count[k])};
        }
        return table;
    }
    const std::vector<std::size_t> bounds = chunkBounds(sorted.x.size());
    const std::size_t chunks = bounds.size() - 1;

    std::vector<Accumulator> partial(chunks);
    for (Accumulator& acc : partial) {  // allocated here: the workers never throw
        acc.sum.assign(bins, 0.0);
        acc.count.assign(bins, 0);
    }
    std::atomic<std::size_t> nextChunk{0};
    if (options.progress != nullptr) {
        options.progress->begin(chunks);
    }
    const auto work = [&] {
        for (std::size_t c = nextChunk++; c < chunks; c = nextChunk++) {
            binPoints(sorted, edges, bounds[c], bounds[c + 1], partial[c]);
            if (options.progress != nullptr) {
                options.progress->advance(1);
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < std::min<std::size_t>(threads, chunks); ++t) {
            helpers.emplace_back(work);
        }
        work();
    }

    std::vector<BinRow> table(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        table[k].start = edges[k];
        table[k].end = edges[k + 1];
        std::uint64_t count = 0;
        for (const Accumulator& acc : partial) {  // always in chunk order
            table[k].sum += acc.sum[k];
            count += acc.count[k];
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
