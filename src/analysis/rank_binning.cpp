#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <new>
#include <numeric>
#include <span>
#include <thread>

#include "analysis/sorted_points.h"

namespace tesselin {
namespace {

// A sum carried in two doubles, hi + lo, with about 106 bits.
struct DoubleDouble {
    double hi = 0;
    double lo = 0;
};

DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

DoubleDouble operator+(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

// a + b without renormalising: the rounding error of the high parts is kept
// exactly and the low parts are added as plain doubles. Their own errors are
// some 2^-106 of the values, so long chains of these stay far within the
// precision the sums need, at a third of the cost of operator+.
DoubleDouble accumulate(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = twoSum(a.hi, b.hi);
    return {s.hi, s.lo + (a.lo + b.lo)};
}

DoubleDouble operator-(DoubleDouble a) {
    return {-a.hi, -a.lo};
}

// The exact product of two doubles.
DoubleDouble product(double a, double b) {
    const double p = a * b;
    return {p, std::fma(a, b, -p)};
}

// Memory for arrays read at random over many megabytes: asked for in huge
// pages, so that a read does not also miss the address translation cache.
template <typename T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <typename U>
    explicit HugePageAllocator(const HugePageAllocator<U>&) {}

    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    T* allocate(std::size_t n) {
        const std::size_t bytes = (n * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, bytes);
        if (memory == nullptr) {
            throw std::bad_alloc();
        }
        madvise(memory, bytes, MADV_HUGEPAGE);  // advice only: it may be declined
        return static_cast<T*>(memory);
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) = default;
};

// a + b for a double b, with the error of the addition kept.
DoubleDouble plus(DoubleDouble a, double b) {
    const DoubleDouble s = twoSum(a.hi, b);
    return quickTwoSum(s.hi, s.lo + a.lo);
}

// Counts and sums of the Y values inserted so far, by rank, in three levels:
// ranks fall into blocks of 64 and blocks into groups of 64. Each rank keeps
// the running sum of the inserted ranks below it in its block (their number
// comes from the block's mask of inserted ranks), each block that of the
// blocks below it in its group, and a Fenwick tree over the groups does the
// rest. A query reads one entry of the large first array (which the sweep
// asks for ahead) and a few of the small ones, which stay in cache; an
// insertion updates at most 63 neighbouring entries of the first two.
class RankTree {
public:
    explicit RankTree(std::size_t n)
        : m_within(n),
          m_inserted(n / kBlock + 1),
          m_group(n / kBlock + 1),
          m_groups(n / kGroup + 2) {}

    void insert(std::size_t rank, double y) {
        const std::size_t block = rank / kBlock;
        const std::size_t blockEnd = std::min(m_within.size(), (block + 1) * kBlock);
        m_inserted[block] |= std::uint64_t{1} << (rank % kBlock);
        for (std::size_t r = rank + 1; r < blockEnd; ++r) {
            m_within[r] = plus(m_within[r], y);
        }
        const std::size_t groupEnd = std::min(m_group.size(), (rank / kGroup + 1) * kPerGroup);
        for (std::size_t b = block + 1; b < groupEnd; ++b) {
            ++m_group[b].count;
            m_group[b].sum = plus(m_group[b].sum, y);
        }
        for (std::size_t i = rank / kGroup + 1; i < m_groups.size(); i += i & (~i + 1)) {
            ++m_groups[i].count;
            m_groups[i].sum = plus(m_groups[i].sum, y);
        }
    }

    // Asks for the lines that below(rank) will read; the ranks come in no
    // order, so without this nearly every query waits for memory.
    void prefetch(std::size_t rank) const {
        __builtin_prefetch(&m_within[rank]);
        __builtin_prefetch(&m_group[rank / kBlock]);
    }

    // How many of the inserted values have a lower rank, and their sum.
    std::pair<std::uint64_t, DoubleDouble> below(std::size_t rank) const {
        // The high parts are added along one chain and each step's rounding
        // error, with the low parts, along another, so that a step waits
        // for one addition only.
        const std::size_t block = rank / kBlock;
        const Node& group = m_group[block];
        const std::uint64_t lower = (std::uint64_t{1} << (rank % kBlock)) - 1;
        std::uint64_t count =
            static_cast<std::uint64_t>(std::popcount(m_inserted[block] & lower)) + group.count;
        DoubleDouble step = twoSum(m_within[rank].hi, group.sum.hi);
        double high = step.hi;
        double low = step.lo + m_within[rank].lo + group.sum.lo;
        for (std::size_t i = rank / kGroup; i > 0; i -= i & (~i + 1)) {
            count += m_groups[i].count;
            step = twoSum(high, m_groups[i].sum.hi);
            high = step.hi;
            low += step.lo + m_groups[i].sum.lo;
        }
        return {count, quickTwoSum(high, low)};
    }

private:
    static constexpr std::size_t kBlock = 64;
    static constexpr std::size_t kPerGroup = 64;  // blocks
    static constexpr std::size_t kGroup = kBlock * kPerGroup;
    struct Node {
        DoubleDouble sum;
        std::uint64_t count = 0;
    };
    // Below each rank, the sum of the inserted ranks of its own block.
    std::vector<DoubleDouble, HugePageAllocator<DoubleDouble>> m_within;
    std::vector<std::uint64_t> m_inserted;  // by block, a bit for each inserted rank
    // Below each block, the inserted ranks of the blocks before it in its group.
    std::vector<Node, HugePageAllocator<Node>> m_group;
    std::vector<Node> m_groups;  // a Fenwick tree over whole groups
};

// One end of every bin's runs: for point i, the first position j (of a point
// with greater X) whose period x[j] - x[i] reaches the edge (or, `beyond`,
// passes it). It only moves forward as i does.
struct RunEnd {
    double edge = 0;
    bool beyond = false;  // the end of a bin: periods equal to its edge are in
    std::size_t bin = 0;
    std::size_t i = 0;
    std::size_t j = 0;

    void settle(const SortedPoints& points) {
        const std::size_t n = points.x.size();
        j = std::max(j, points.nextGreater[i]);
        const double xi = points.x[i];
        if (beyond) {
            while (j < n && points.x[j] - xi <= edge) {
                ++j;
            }
        } else {
            while (j < n && points.x[j] - xi < edge) {
                ++j;
            }
        }
    }
};

// The bins [first, last) over one sweep of the positions.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void sweep(
    const SortedPoints& points, std::span<const double> y, const std::vector<std::size_t>& rank,
    const std::vector<DoubleDouble>& prefix, const std::vector<double>& edges, std::size_t first,
    std::size_t last, std::vector<DoubleDouble>& sums, std::vector<std::int64_t>& counts,
    Progress* progress) {
    const std::size_t n = points.x.size();
    std::vector<RunEnd> ends;
    for (std::size_t k = first; k < last; ++k) {
        ends.push_back({edges[k], false, k});     // where bin k's runs start
        ends.push_back({edges[k + 1], true, k});  // where they end
    }
    if (n == 0) {
        return;
    }
    for (RunEnd& end : ends) {
        end.settle(points);
    }
    // The end of bin k and the start of bin k + 1 lie on the same edge and
    // differ only where a period equals it: the terms that the first of the
    // two found at this position serve the second too.
    constexpr std::size_t kAhead = 8;
    std::vector<DoubleDouble> shared;
    std::size_t sharedFirst = 0;
    RankTree tree(n);
    // The run ends met, and those told to the progress (many fall on the
    // last position, so they are counted one by one).
    std::uint64_t met = 0;
    std::uint64_t reported = 0;
    for (std::size_t p = 0; p <= n; ++p) {
        // Every run end at p: the points before p are in the tree.
        for (std::size_t e = 0; e < ends.size(); ++e) {
            RunEnd& end = ends[e];
            const bool reuse = e > 0 && ends[e - 1].beyond && !end.beyond;
            const bool keep = end.beyond && e + 1 < ends.size();
            if (keep) {
                shared.clear();
                sharedFirst = end.i;
            }
            while (end.i < n && end.j == p) {
                DoubleDouble term;
                if (reuse && end.i >= sharedFirst && end.i - sharedFirst < shared.size()) {
                    term = shared[end.i - sharedFirst];
                } else {
                    const auto [below, sumBelow] = tree.below(rank[end.i]);
                    // Over the positions before p, the sum of |y_j - y_i| is
                    // prefix - 2 * sumBelow + (2 * below - p) * y_i.
                    const double weight = 2.0 * static_cast<double>(below) - static_cast<double>(p);
                    term = accumulate(
                        accumulate(prefix[p], DoubleDouble{-2 * sumBelow.hi, -2 * sumBelow.lo}),
                        product(weight, y[end.i]));
                }
                if (keep) {
                    shared.push_back(term);
                }
                sums[end.bin] = accumulate(sums[end.bin], end.beyond ? term : -term);
                counts[end.bin] +=
                    end.beyond ? static_cast<std::int64_t>(p) : -static_cast<std::int64_t>(p);
                if (++end.i < n) {
                    end.settle(points);
                }
                if (++met - reported == 1 << 16 && progress != nullptr) {
                    progress->advance(met - reported);
                    reported = met;
                }
                if (end.i + kAhead < n) {
                    tree.prefetch(rank[end.i + kAhead]);
                }
            }
        }
        if (p < n) {
            tree.insert(rank[p], y[p]);
        }
        if (p + kAhead < n) {
            tree.prefetch(rank[p + kAhead]);
        }
    }
    if (progress != nullptr) {
        progress->advance(met - reported);
    }
}

}  // namespace

BinSums binByRanks(const SortedPoints& points, const std::vector<double>& edges, unsigned threads,
                   Progress* progress) {
    const std::size_t n = points.x.size();
    const std::size_t bins = edges.size() - 1;
    // Ranks of Y, ties broken by position, and the sums of Y up to each position.
    std::vector<std::size_t> rank(n);
    {
        struct Keyed {
            std::uint64_t key;
            std::size_t position;
        };
        std::vector<Keyed> order(n);
        for (std::size_t p = 0; p < n; ++p) {
            order[p] = {orderedKey(points.y[p]), p};
        }
        radixSort(order);  // stable: equal values keep their positions' order
        for (std::size_t r = 0; r < n; ++r) {
            rank[order[r].position] = r;
        }
    }
    // The sums of a bin reach N^2 times the largest |Y|; Y values near the
    // largest double are summed scaled down by a power of two, which is exact
    // but for bits far below the values that dominate.
    const double largest = std::transform_reduce(
        points.y.begin(), points.y.end(), 0.0, [](double a, double b) { return std::max(a, b); },
        [](double v) { return std::abs(v); });
    const int headroom = 2 * static_cast<int>(std::bit_width(n)) + 4;
    const int scale = largest > 0 && std::isfinite(largest)
                          ? std::max(0, std::ilogb(largest) - (1020 - headroom))
                          : 0;
    std::vector<double> scaled;
    if (scale > 0) {
        scaled.resize(n);
        std::ranges::transform(points.y, scaled.begin(),
                               [&](double v) { return std::ldexp(v, -scale); });
    }
    const std::span<const double> y = scale > 0 ? std::span<const double>(scaled) : points.y;
    std::vector<DoubleDouble> prefix(n + 1);
    for (std::size_t p = 0; p < n; ++p) {
        prefix[p + 1] = prefix[p] + DoubleDouble{y[p], 0};
    }

    std::vector<DoubleDouble> sums(bins);
    std::vector<std::int64_t> counts(bins, 0);
    // Each part sweeps with a tree of its own (about 17 bytes a point): the
    // trees together stay within a budget, so that more threads never
    // multiply the memory of a long series (ten million points take two).
    constexpr std::size_t kTreesBudget = std::size_t{400} << 20;
    const std::size_t treeBytes = 17 * std::max<std::size_t>(n, 1);
    const std::size_t affordable = std::max<std::size_t>(1, kTreesBudget / treeBytes);
    const std::size_t parts = std::clamp<std::size_t>(std::min<std::size_t>(threads, affordable), 1,
                                                      std::max<std::size_t>(bins, 1));
    // Each part sums its own bins; a part that fails (out of memory) hands
    // its exception back to this thread.
    std::vector<std::exception_ptr> failures(parts);
    if (progress != nullptr) {
        progress->begin(2 * bins * n);  // each point meets each bin's two run ends
    }
    const auto part = [&](std::size_t t) {
        try {
            sweep(points, y, rank, prefix, edges, bins * t / parts, bins * (t + 1) / parts, sums,
                  counts, progress);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        std::size_t started = 1;
        while (started < parts && startThread(helpers, part, started)) {
            ++started;
        }
        part(0);
        for (std::size_t t = started; t < parts; ++t) {
            part(t);  // the parts of threads that could not start
        }
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    BinSums result;
    result.sum.resize(bins);
    result.count.resize(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        result.sum[k] = std::ldexp(sums[k].hi + sums[k].lo, scale);
        result.count[k] = static_cast<std::uint64_t>(counts[k]);
    }
    return result;
}

}  // namespace tesselin
