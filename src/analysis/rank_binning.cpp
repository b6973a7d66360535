#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <barrier>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
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

// a * b to about 2^-104 of the product.
DoubleDouble times(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = product(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
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

    // An insertion in two parts: the first touches only the rank's own
    // group, so that threads may insert ranks of different groups at once;
    // the second, the Fenwick tree over the groups, one thread does.
    static std::size_t groupOf(std::size_t rank) { return rank / kGroup; }

    void insertInGroup(std::size_t rank, double y) {
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
    }

    void insertAcrossGroups(std::size_t rank, double y) {
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

// The threads sweep the positions together, a chunk at a time: the one tree
// holds the points before the chunk, and each thread keeps the chunk's own
// points in a small structure of its own. Between chunks, the threads insert
// the chunk's points into the tree, each those of its own groups of ranks.
// The memory of a thread is thus that of a chunk and of its bins, whatever
// the length of the series. The runs that reach past the last point are
// summed apart (LastPosition): their terms do not depend on the bin.
constexpr std::size_t kChunk = 1024;
// How far ahead the tree's lines are asked for: the ranks come in no order,
// so without this nearly every query and insertion waits for memory.
constexpr std::size_t kAhead = 8;

// The positions [first, last) of the current chunk, and their ranks in
// order: a rank's place among them is found through buckets of ranks.
class Chunk {
public:
    explicit Chunk(std::size_t n)
        : m_shift(std::max(0, static_cast<int>(std::bit_width(n)) - kChunkBits)),
          m_start(((n > 0 ? n - 1 : 0) >> m_shift) + 2) {}

    // Takes the positions [first, last) of a series with these ranks.
    void take(std::span<const std::size_t> rank, std::size_t first, std::size_t last) noexcept {
        m_first = first;
        std::ranges::fill(m_start, 0);
        for (std::size_t q = first; q < last; ++q) {
            ++m_start[(rank[q] >> m_shift) + 1];
        }
        std::partial_sum(m_start.begin(), m_start.end(), m_start.begin());
        // Each bucket's start moves to its end as its ranks are placed, and
        // so stands where the next bucket starts: shifted back afterwards.
        for (std::size_t q = first; q < last; ++q) {
            m_sorted[m_start[rank[q] >> m_shift]++] = rank[q];
        }
        std::shift_right(m_start.begin(), m_start.end(), 1);
        m_start.front() = 0;
        for (std::size_t b = 0; b + 1 < m_start.size(); ++b) {
            std::sort(m_sorted.begin() + m_start[b], m_sorted.begin() + m_start[b + 1]);
        }
        for (std::size_t q = first; q < last; ++q) {
            m_place[q - first] = static_cast<std::uint32_t>(placeOf(rank[q]));
        }
    }

    // The place of position q (of this chunk) among the chunk's ranks.
    std::size_t placeAt(std::size_t q) const { return m_place[q - m_first]; }

    // How many of the chunk's ranks lie below `rank`.
    std::size_t placeOf(std::size_t rank) const {
        const std::size_t bucket = rank >> m_shift;
        const auto begin = m_sorted.begin() + m_start[bucket];
        const auto end = m_sorted.begin() + m_start[bucket + 1];
        return static_cast<std::size_t>(std::lower_bound(begin, end, rank) - m_sorted.begin());
    }

private:
    static constexpr int kChunkBits = static_cast<int>(std::bit_width(kChunk)) - 1;
    int m_shift;
    std::vector<std::uint32_t> m_start;  // by bucket, where its ranks begin in m_sorted
    std::array<std::size_t, kChunk> m_sorted{};
    std::array<std::uint32_t, kChunk> m_place{};
    std::size_t m_first = 0;
};

// The counts and sums of the chunk's points inserted so far, by their place
// among the chunk's ranks: the first two levels of RankTree, small enough to
// stay in cache.
class ChunkTree {
public:
    void clear() {
        m_within.fill({});
        m_inserted.fill(0);
        m_block.fill({});
    }

    void insert(std::size_t place, double y) {
        const std::size_t block = place / kBlock;
        m_inserted[block] |= std::uint64_t{1} << (place % kBlock);
        for (std::size_t r = place + 1; r < (block + 1) * kBlock; ++r) {
            m_within[r] = plus(m_within[r], y);
        }
        for (std::size_t b = block + 1; b < m_block.size(); ++b) {
            ++m_block[b].count;
            m_block[b].sum = plus(m_block[b].sum, y);
        }
    }

    std::pair<std::uint64_t, DoubleDouble> below(std::size_t place) const {
        const std::size_t block = place / kBlock;
        const std::uint64_t lower = (std::uint64_t{1} << (place % kBlock)) - 1;
        const std::uint64_t count =
            static_cast<std::uint64_t>(std::popcount(m_inserted[block] & lower)) +
            m_block[block].count;
        return {count, accumulate(m_block[block].sum, m_within[place])};
    }

private:
    static constexpr std::size_t kBlock = 64;
    static constexpr std::size_t kBlocks = kChunk / kBlock + 1;  // a place may be kChunk
    struct Node {
        DoubleDouble sum;
        std::uint64_t count = 0;
    };
    std::array<DoubleDouble, kBlocks * kBlock> m_within{};
    std::array<std::uint64_t, kBlocks> m_inserted{};
    std::array<Node, kBlocks> m_block{};
};

// What every thread reads: the series, its ranks and prefix sums, the tree
// of the points before the current chunk and the chunk itself.
struct SharedSweep {
    const SortedPoints& points;
    std::span<const double> y;
    const std::vector<std::size_t>& rank;
    const std::vector<DoubleDouble>& prefix;
    RankTree tree;
    Chunk chunk;
    Progress* progress;
    // For the sums of squares: the values less a central one, exactly, and
    // the sums of their squares up to each position (`prefix` then sums
    // these values). The tree and the chunk are not used.
    bool squares = false;
    std::span<const DoubleDouble> centred;
    std::span<const DoubleDouble> prefixOfSquares;

    // The sum of (y_j - y_i)^2 over the positions j before p, with u the
    // centred values: sum u_j^2 - 2 u_i sum u_j + p u_i^2.
    DoubleDouble squareTerm(std::size_t i, std::size_t p) const {
        const DoubleDouble u = centred[i];
        const DoubleDouble cross = times(u, prefix[p]);
        return accumulate(
            accumulate(prefixOfSquares[p], DoubleDouble{-2 * cross.hi, -2 * cross.lo}),
            times(DoubleDouble{static_cast<double>(p), 0}, times(u, u)));
    }

    // The sum of |y_j - y_i| over the positions j before p, of which `below`
    // have a lower Y (ties broken by position) and sum to sumBelow:
    // prefix - 2 * sumBelow + (2 * below - p) * y_i.
    DoubleDouble term(std::size_t i, std::size_t p, std::uint64_t below,
                      DoubleDouble sumBelow) const {
        const double weight = 2.0 * static_cast<double>(below) - static_cast<double>(p);
        return accumulate(accumulate(prefix[p], DoubleDouble{-2 * sumBelow.hi, -2 * sumBelow.lo}),
                          product(weight, y[i]));
    }
};

// The terms met by one run end, and the sum of their positions: a bin's sum
// and count are those of the end of its runs less those of their start.
struct EndTotal {
    DoubleDouble sum;
    std::uint64_t count = 0;
};

// Where the run ends of edge e keep their totals: 2e for the end of bin
// e - 1, 2e + 1 for the start of bin e.
constexpr std::size_t endSlot(std::size_t edge, bool beyond) {
    return 2 * edge + (beyond ? 0 : 1);
}

class EdgeSweep;
__attribute__((target_clones("arch=x86-64-v3", "default"))) void meetRunEnds(EdgeSweep& sweep,
                                                                             std::size_t first,
                                                                             std::size_t last);

// One thread's share of the sweep: the run ends of some of the edges. The
// threads take the edges in turn (0, T, 2T, ... for the first of T), so that
// each has as many ends at every stage of the sweep as the others: short
// lags meet their ends early, long ones late.
class EdgeSweep {
public:
    EdgeSweep(const SharedSweep& shared, const std::vector<double>& edges, std::size_t first,
              std::size_t step)
        : m_shared(shared), m_local(std::make_unique<ChunkTree>()) {
        const std::size_t bins = edges.size() - 1;
        for (std::size_t e = first; e <= bins; e += step) {
            if (e > 0) {
                m_ends.push_back({edges[e], true, endSlot(e, true)});  // where bin e - 1's runs end
            }
            if (e < bins) {
                m_ends.push_back({edges[e], false, endSlot(e, false)});  // where bin e's start
            }
        }
        m_totals.resize(m_ends.size());
        if (!shared.points.x.empty()) {
            for (RunEnd& end : m_ends) {
                end.settle(shared.points);
            }
        }
        m_reused.reserve(kReused);
    }

    // Meets every run end at the positions [first, last), those of the
    // current chunk.
    void sweepChunk(std::size_t first, std::size_t last) { meetRunEnds(*this, first, last); }

    // Once the sweep is over, each end has its remaining points from here
    // on: their runs reach past the last point, so their terms are those
    // of the last position.
    const std::vector<RunEnd>& ends() const { return m_ends; }

    void addTo(std::vector<EndTotal>& totals) const {
        for (std::size_t e = 0; e < m_ends.size(); ++e) {
            totals[m_ends[e].bin] = m_totals[e];
        }
    }

    void finish() {
        if (m_shared.progress != nullptr) {
            m_shared.progress->advance(m_met - m_reported);
        }
    }

    // The body of sweepChunk, inlined into each of its compiled versions.
    __attribute__((always_inline)) inline void sweepPositions(std::size_t first, std::size_t last);

private:
    // The end of bin k and the start of bin k + 1 lie on the same edge and
    // differ only where a period equals it: the terms that the first of the
    // two found at a position serve the second too, as many as are kept.
    static constexpr std::size_t kReused = 4096;

    const SharedSweep& m_shared;
    std::unique_ptr<ChunkTree> m_local;
    std::vector<RunEnd> m_ends;  // `bin` holds the end's slot
    std::vector<EndTotal> m_totals;
    std::vector<DoubleDouble> m_reused;
    std::size_t m_reusedFirst = 0;
    // The run ends met, and those told to the progress.
    std::uint64_t m_met = 0;
    std::uint64_t m_reported = 0;
};

// The loop over the positions, compiled for two instruction sets (a free
// function: not every compiler clones members).
__attribute__((target_clones("arch=x86-64-v3", "default"))) void meetRunEnds(EdgeSweep& sweep,
                                                                             std::size_t first,
                                                                             std::size_t last) {
    sweep.sweepPositions(first, last);
}

void EdgeSweep::sweepPositions(std::size_t first, std::size_t last) {
    const SharedSweep& s = m_shared;
    const std::size_t n = s.points.x.size();
    const Chunk& chunk = s.chunk;
    m_local->clear();
    for (std::size_t p = first; p < last; ++p) {
        // Every run end at p: the points before p are in the tree or the
        // chunk's own structure.
        for (std::size_t e = 0; e < m_ends.size(); ++e) {
            RunEnd& end = m_ends[e];
            const bool reuse = e > 0 && m_ends[e - 1].bin + 1 == end.bin && !end.beyond;
            const bool keep =
                end.beyond && e + 1 < m_ends.size() && m_ends[e + 1].bin == end.bin + 1;
            if (keep) {
                m_reused.clear();
                m_reusedFirst = end.i;
            }
            EndTotal& total = m_totals[e];
            while (end.j == p) {  // p < n: the points left are i < p
                DoubleDouble term;
                if (reuse && end.i >= m_reusedFirst && end.i - m_reusedFirst < m_reused.size()) {
                    term = m_reused[end.i - m_reusedFirst];
                } else if (s.squares) {
                    term = s.squareTerm(end.i, p);
                } else {
                    const std::size_t r = s.rank[end.i];
                    const auto [before, sumBefore] = s.tree.below(r);
                    const auto [within, sumWithin] = m_local->below(chunk.placeOf(r));
                    term = s.term(end.i, p, before + within, accumulate(sumBefore, sumWithin));
                }
                if (keep && m_reused.size() < kReused) {
                    m_reused.push_back(term);
                }
                total.sum = accumulate(total.sum, term);
                total.count += p;
                ++end.i;
                end.settle(s.points);
                if (++m_met - m_reported == 1 << 16 && s.progress != nullptr) {
                    s.progress->advance(m_met - m_reported);
                    m_reported = m_met;
                }
                if (end.i + kAhead < n && !s.squares) {
                    s.tree.prefetch(s.rank[end.i + kAhead]);
                }
            }
        }
        if (!s.squares) {
            m_local->insert(chunk.placeAt(p), s.y[p]);
        }
    }
}

// The terms of the last position, for the points from which some run end
// remains at the sweep's end, summed over stretches of points that depend on
// the series and the edges alone; the stretches are shared among the threads.
class LastPosition {
public:
    // Room for the cuts of a series of n points and so many run ends.
    LastPosition(std::size_t n, std::size_t ends) {
        m_cuts.reserve(n / kStretch + ends + 2);
        m_from.reserve(ends);
        m_sums.resize(n / kStretch + ends + 2);
    }

    // Cuts [0, n) where each end's remaining points begin.
    void cut(std::size_t n, const std::vector<std::unique_ptr<EdgeSweep>>& team) noexcept {
        for (const auto& sweep : team) {
            for (const RunEnd& end : sweep->ends()) {
                m_from.push_back(end.i);
            }
        }
        std::ranges::sort(m_from);
        for (std::size_t c = 0; c < n; c += kStretch) {
            m_cuts.push_back(c);
        }
        m_cuts.insert(m_cuts.end(), m_from.begin(), m_from.end());
        m_cuts.push_back(n);
        std::ranges::sort(m_cuts);
        m_cuts.erase(std::unique(m_cuts.begin(), m_cuts.end()), m_cuts.end());
    }

    // Sums the stretches not yet taken; any thread may call this.
    void sum(const SharedSweep& s) {
        const std::size_t n = s.points.x.size();
        const std::size_t first = m_from.empty() ? n : m_from.front();
        for (std::size_t c = m_next++; c + 1 < m_cuts.size(); c = m_next++) {
            if (m_cuts[c] < first) {
                continue;  // no end needs these points
            }
            DoubleDouble total;
            for (std::size_t i = m_cuts[c]; i < m_cuts[c + 1] && s.squares; ++i) {
                total = accumulate(total, s.squareTerm(i, n));
            }
            for (std::size_t i = m_cuts[c]; i < m_cuts[c + 1] && !s.squares; ++i) {
                if (i + kAhead < n) {
                    s.tree.prefetch(s.rank[i + kAhead]);
                }
                const auto [below, sumBelow] = s.tree.below(s.rank[i]);
                total = accumulate(total, s.term(i, n, below, sumBelow));
            }
            m_sums[c] = total;
            if (s.progress != nullptr) {
                // Each of the ends that cover the stretch meets its points.
                const auto covering = std::ranges::upper_bound(m_from, m_cuts[c]) - m_from.begin();
                s.progress->advance(static_cast<std::uint64_t>(covering) *
                                    (m_cuts[c + 1] - m_cuts[c]));
            }
        }
    }

    // Adds each end's terms of the last position to its totals.
    void addTo(std::size_t n, const std::vector<std::unique_ptr<EdgeSweep>>& team,
               std::vector<EndTotal>& totals) {
        // From the last stretch down, so that the sums are taken in one order.
        std::vector<DoubleDouble> from(m_cuts.size());
        for (std::size_t c = m_cuts.size() - 1; c-- > 0;) {
            from[c] = accumulate(m_sums[c], from[c + 1]);
        }
        for (const auto& sweep : team) {
            for (const RunEnd& end : sweep->ends()) {
                const auto c = static_cast<std::size_t>(std::ranges::lower_bound(m_cuts, end.i) -
                                                        m_cuts.begin());
                EndTotal& total = totals[end.bin];
                total.sum = accumulate(total.sum, from[c]);
                total.count += (n - end.i) * n;
            }
        }
    }

private:
    static constexpr std::size_t kStretch = std::size_t{1} << 14;
    std::vector<std::size_t> m_cuts;
    std::vector<std::size_t> m_from;  // where each end's remaining points begin, in order
    std::vector<DoubleDouble> m_sums;
    std::atomic<std::size_t> m_next{0};
};

}  // namespace

BinSums binByRanks(const SortedPoints& points, const std::vector<double>& edges, bool squares,
                   unsigned threads, Progress* progress) {
    const std::size_t n = points.x.size();
    const std::size_t bins = edges.size() - 1;
    const int headroom = 2 * static_cast<int>(std::bit_width(n)) + 4;
    // Ranks of Y, ties broken by position, and the sums of Y up to each position.
    std::vector<std::size_t> rank(squares ? 0 : n);
    if (!squares) {
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
    int scale = 0;
    std::vector<double> scaled;
    std::vector<DoubleDouble> prefix(n + 1);
    std::vector<DoubleDouble> centred;
    std::vector<DoubleDouble> prefixOfSquares;
    if (!squares) {
        const double largest = largestMagnitude(points.y);
        scale = largest > 0 && std::isfinite(largest)
                    ? std::max(0, std::ilogb(largest) - (1020 - headroom))
                    : 0;
        if (scale > 0) {
            scaled.resize(n);
            std::ranges::transform(points.y, scaled.begin(),
                                   [&](double v) { return std::ldexp(v, -scale); });
        }
    } else {
        // Squares of values far from 0 would lose the differences among
        // them: the values are taken less the middle of their range, the
        // difference kept exactly in two doubles, and scaled by a power of
        // two so that the sums of squares stay far from both ends of the
        // range of a double.
        centred.resize(n);
        prefixOfSquares.resize(n + 1);
        double centre = 0;
        if (n > 0) {
            const auto [low, high] = std::ranges::minmax(points.y);
            centre = low / 2 + high / 2;
        }
        double largest = 0;
        for (std::size_t p = 0; p < n; ++p) {
            centred[p] = twoSum(points.y[p], -centre);
            largest = std::max(largest, std::abs(centred[p].hi));
        }
        scale = squaresScale(largest, n);
        for (std::size_t p = 0; p < n; ++p) {
            const DoubleDouble u{std::ldexp(centred[p].hi, -scale),
                                 std::ldexp(centred[p].lo, -scale)};
            centred[p] = u;
            prefix[p + 1] = prefix[p] + u;
            prefixOfSquares[p + 1] = prefixOfSquares[p] + times(u, u);
        }
    }
    const std::span<const double> y =
        scale > 0 && !squares ? std::span<const double>(scaled) : points.y;
    for (std::size_t p = 0; p < n && !squares; ++p) {
        prefix[p + 1] = prefix[p] + DoubleDouble{y[p], 0};
    }

    if (progress != nullptr) {
        progress->begin(2 * bins * n);  // each point meets each bin's two run ends
    }
    SharedSweep shared{points,
                       y,
                       rank,
                       prefix,
                       RankTree(squares ? 0 : n),
                       Chunk(squares ? 0 : n),
                       progress,
                       squares,
                       centred,
                       prefixOfSquares};
    if (!squares) {
        shared.chunk.take(rank, 0, std::min(n, kChunk));
    }
    // The threads that start share the edges; those started wait until their
    // number is known, and leave at once if the sweep cannot be prepared.
    constexpr std::size_t kAbandoned = ~std::size_t{0};
    // The threads meet after every chunk: more of them than cores would
    // keep each other waiting.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t wanted = std::clamp<std::size_t>(threads, 1, std::min(bins + 1, cores));
    std::atomic<std::size_t> members{0};
    std::vector<std::unique_ptr<EdgeSweep>> team;
    LastPosition last(n, 2 * bins);
    // Between the queries of two chunks the threads meet twice: the first
    // time the chunk's points join the tree's Fenwick part and the next
    // chunk is taken, then each thread inserts the points of its own groups,
    // and the second time nothing is left to do.
    std::size_t inserting = 0;  // the first point of the chunk being inserted
    std::size_t inserted = 0;   // and where it ends
    bool queried = false;
    const auto meetingDone = [&]() noexcept {
        queried = !queried;
        if (!queried) {
            return;
        }
        inserting = inserted;
        inserted = std::min(n, inserted + kChunk);
        if (!squares) {
            for (std::size_t q = inserting; q < inserted; ++q) {
                shared.tree.insertAcrossGroups(rank[q], y[q]);
            }
            shared.chunk.take(rank, inserted, std::min(n, inserted + kChunk));
        }
        if (inserted == n) {
            last.cut(n, team);
        }
    };
    const std::size_t chunks = (n + kChunk - 1) / kChunk;
    std::optional<std::barrier<decltype(meetingDone)>> meeting;
    const auto member = [&](std::size_t t) {
        members.wait(0);
        const std::size_t count = members.load();
        if (count == kAbandoned) {
            return;
        }
        for (std::size_t c = 0; c < chunks; ++c) {
            team[t]->sweepChunk(c * kChunk, std::min(n, (c + 1) * kChunk));
            meeting->arrive_and_wait();
            for (std::size_t q = inserting; q < inserted && !squares; ++q) {
                if (RankTree::groupOf(rank[q]) % count == t) {
                    shared.tree.insertInGroup(rank[q], y[q]);
                }
            }
            meeting->arrive_and_wait();
        }
        last.sum(shared);
        team[t]->finish();
    };
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(wanted);
        std::size_t started = 1;
        while (started < wanted && startThread(helpers, member, started)) {
            ++started;
        }
        try {
            for (std::size_t t = 0; t < started; ++t) {
                team.push_back(std::make_unique<EdgeSweep>(shared, edges, t, started));
            }
            meeting.emplace(static_cast<std::ptrdiff_t>(started), meetingDone);
            if (n == 0) {
                last.cut(n, team);
            }
        } catch (...) {
            members = kAbandoned;
            members.notify_all();
            throw;
        }
        members = started;
        members.notify_all();
        member(0);
    }
    std::vector<EndTotal> totals(2 * (bins + 1));
    for (const auto& sweep : team) {
        sweep->addTo(totals);
    }
    last.addTo(n, team, totals);
    BinSums result;
    result.exponent = squares ? 2 * scale : 0;
    result.sum.resize(bins);
    result.count.resize(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        const EndTotal& end = totals[endSlot(k + 1, true)];
        const EndTotal& start = totals[endSlot(k, false)];
        const DoubleDouble sum = accumulate(end.sum, -start.sum);
        // Sums of squares keep their scale, which the bin's value undoes.
        result.sum[k] = squares ? sum.hi + sum.lo : std::ldexp(sum.hi + sum.lo, scale);
        result.count[k] = end.count - start.count;
    }
    return result;
}

}  // namespace tesselin
