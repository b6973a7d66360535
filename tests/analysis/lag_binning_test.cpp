#include "analysis/lag_binning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/ReferenceBinning.h"

namespace tesselin {
namespace {

using Points = std::vector<DataPoint>;
constexpr BinningPath kPaths[] = {BinningPath::Pairs, BinningPath::Ranks};
using testing::referenceBins;

struct Expected {
    double start, end, sum, count;
};

void expectBins(const std::vector<BinRow>& bins, const std::vector<Expected>& expected,
                const char* name) {
    ASSERT_EQ(bins.size(), expected.size()) << name;
    for (std::size_t k = 0; k < bins.size(); ++k) {
        EXPECT_EQ(bins[k].start, expected[k].start) << name << " bin " << k + 1;
        EXPECT_EQ(bins[k].end, expected[k].end) << name << " bin " << k + 1;
        EXPECT_EQ(bins[k].sum, expected[k].sum) << name << " bin " << k + 1;
        EXPECT_EQ(bins[k].count, expected[k].count) << name << " bin " << k + 1;
    }
}

TEST(ComputeBins, MatchesTheWorkedExamplesAndEdgeCases) {
    const Points three = {{0, 1}, {1, 3}, {3, 4}};
    const struct {
        const char* name;
        Points points;
        int bins;
        double min, max;
        std::vector<Expected> expected;
    } cases[] = {
        {"two bins", three, 2, 0, 3, {{0, 1.5, 2, 1}, {1.5, 3, 4, 2}}},
        {"inner edge counts twice", three, 2, 0, 2, {{0, 1, 2, 1}, {1, 2, 3, 2}}},
        {"descending X", {{3, 4}, {1, 3}, {0, 1}}, 2, 0, 3, {{0, 1.5, 2, 1}, {1.5, 3, 4, 2}}},
        {"repeated X is not binned", {{5, 1}, {5, 2}, {6, 0}}, 1, 0, 1, {{0, 1, 3, 2}}},
        {"single point", {{4, 2}}, 3, 0, 0, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
        {"equal Y counts without adding", {{0, 2}, {1, 2}}, 1, 0, 1, {{0, 1, 0, 1}}},
        {"zero-width bins take only their edge",
         {{0, 0}, {1, 5}, {3, 1}},
         3,
         1,
         1,
         {{1, 1, 5, 1}, {1, 1, 5, 1}, {1, 1, 5, 1}}},
        {"periods outside the range",
         {{0, 0}, {1, 1}, {10, 3}},
         2,
         2,
         4,
         {{2, 3, 0, 0}, {3, 4, 0, 0}}},
        {"minimum is inclusive", {{0, 0}, {2, 7}}, 2, 2, 3, {{2, 2.5, 7, 1}, {2.5, 3, 0, 0}}},
        {"a pair at the maximum is in the last bin",
         {{0, 1}, {0.7, 2}},
         3,
         0,
         0.7,
         {{0, 0.7 / 3, 0, 0}, {0.7 / 3, 1.4 / 3, 0, 0}, {1.4 / 3, 0.7, 1, 1}}},
    };
    for (const auto& c : cases) {
        for (const BinningPath path : kPaths) {
            for (const unsigned threads : {1u, 2u}) {
                expectBins(
                    computeBins(c.points, c.bins, c.min, c.max, {.threads = threads, .path = path}),
                    c.expected, c.name);
            }
        }
    }
}

TEST(ComputeBins, UsesTheSameEdgeDoublesAsTheFormula) {
    const std::vector<double> edges = binEdges(3, 0, 1);
    EXPECT_EQ(edges, (std::vector<double>{0, 1.0 / 3, 2.0 / 3, 1}));
    // With a whole number of bins the last edge is the maximum itself, though
    // the formula gives 0.6999999999999998 for (0.7 * 3) / 3; the inner edges
    // keep the formula, and so does every edge of a fractional number.
    EXPECT_EQ(binEdges(3, 0, 0.7), (std::vector<double>{0, (0.7 * 1) / 3, (0.7 * 2) / 3, 0.7}));
    EXPECT_EQ(binEdges(2.5, 0, 0.7).back(), (0.7 * 2) / 2.5);
    // The edges divide by the number read from the answer, not by the whole
    // number of bins it stands for.
    const double almostFour = 4.0000000000000009;
    EXPECT_EQ(binEdges(almostFour, 0, 1), (std::vector<double>{0, 1 / almostFour, 2 / almostFour,
                                                               3 / almostFour, 4 / almostFour}));
}

Points randomPoints(std::mt19937_64& random, std::size_t n) {
    std::uniform_int_distribution<int> shape(0, 3);
    std::uniform_int_distribution<int> wholeX(-40, 40);
    std::uniform_real_distribution<double> realX(-50, 50);
    std::uniform_real_distribution<double> y(-1000, 1000);
    const int kind = shape(random);
    Points points(n);
    for (std::size_t i = 0; i < n; ++i) {
        switch (kind) {
            case 0:  // whole X with many repeats, so that periods hit edges
                points[i] = {static_cast<double>(wholeX(random)), y(random)};
                break;
            case 1:  // descending
                points[i] = {static_cast<double>(n - i) * 0.25, y(random)};
                break;
            case 2:  // quarters: exact binary fractions on edges
                points[i] = {wholeX(random) * 0.25, std::round(y(random))};
                break;
            default:
                points[i] = {realX(random), y(random)};
        }
    }
    return points;
}

TEST(ComputeBins, AgreesWithTheStepByStepReferenceOnRandomData) {
    std::mt19937_64 random(4242);
    std::uniform_int_distribution<std::size_t> sizes(1, 2000);
    std::uniform_int_distribution<int> binCounts(1, 200);
    std::uniform_real_distribution<double> unit(0, 1);
    int compared = 0;
    while (compared < 250) {
        const std::size_t n = sizes(random);
        const int bins = binCounts(random);
        if (static_cast<double>(n) * static_cast<double>(n) * bins > 4e7) {
            continue;  // keeps the reference quick
        }
        const Points points = randomPoints(random, n);
        double lo = points[0].x;
        double hi = points[0].x;
        for (const DataPoint& p : points) {
            lo = std::min(lo, p.x);
            hi = std::max(hi, p.x);
        }
        const double length = hi - lo;
        double minPeriod = std::floor(unit(random) * length * 0.5);
        double maxPeriod = minPeriod + std::ceil(unit(random) * (length - minPeriod));
        if (compared % 10 == 0) {
            maxPeriod = minPeriod;  // zero-width bins
        }
        const auto expected = referenceBins(points, bins, minPeriod, maxPeriod);
        for (const BinningPath path : kPaths) {
            const auto actual = computeBins(points, bins, minPeriod, maxPeriod, {.path = path});
            ASSERT_EQ(actual.size(), expected.bins.size());
            for (std::size_t k = 0; k < actual.size(); ++k) {
                ASSERT_EQ(actual[k].start, expected.bins[k].start);
                ASSERT_EQ(actual[k].end, expected.bins[k].end);
                ASSERT_EQ(actual[k].count, expected.bins[k].count)
                    << "n " << n << " bins " << bins << " bin " << k;
                ASSERT_NEAR(actual[k].sum, expected.bins[k].sum, 1e-12 * expected.bins[k].sum);
            }
        }

        std::vector<double> repeated;
        for (const RepeatedValue& r : repeatedValues(points)) {
            repeated.insert(repeated.end(), r.times, r.x);
        }
        ASSERT_EQ(repeated, expected.repeated);
        ++compared;
    }
}

TEST(ComputeBins, GivesTheSameBitsWithAnyNumberOfThreads) {
    std::mt19937_64 random(99);
    const Points points = randomPoints(random, 6000);
    for (const BinningPath path : kPaths) {
        const auto one = computeBins(points, 37, 0, 60, {.threads = 1, .path = path});
        for (const unsigned threads : {2u, 7u}) {
            const auto many = computeBins(points, 37, 0, 60, {.threads = threads, .path = path});
            for (std::size_t k = 0; k < one.size(); ++k) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(many[k].sum),
                          std::bit_cast<std::uint64_t>(one[k].sum))
                    << threads << " threads, bin " << k;
                ASSERT_EQ(many[k].count, one[k].count);
            }
        }
    }
}

// Values near 1e9 that differ only in their last digits: the sums of Y that
// the rank path works with are 1e15 times its bins' sums. The positive |dY|
// terms summed in long double give the sums to far better than 1e-12.
TEST(ComputeBins, KeepsItsPrecisionWhereValuesCancel) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> noise(0, 1e-3);
    Points points(3000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = {static_cast<double>(i % 1000) + 0.5 * static_cast<double>(i / 1000),
                     1e9 + noise(random)};
    }
    const std::vector<double> edges = binEdges(25, 0, 1000);
    std::vector<long double> exact(25, 0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = 0; j < points.size(); ++j) {
            const double period = points[j].x - points[i].x;
            for (std::size_t k = 0; k < exact.size() && period > 0; ++k) {
                if (period >= edges[k] && period <= edges[k + 1]) {
                    exact[k] += std::fabs(static_cast<long double>(points[j].y) - points[i].y);
                }
            }
        }
    }
    for (const BinningPath path : kPaths) {
        const auto bins = computeBins(points, 25, 0, 1000, {.path = path});
        for (std::size_t k = 0; k < bins.size(); ++k) {
            EXPECT_NEAR(bins[k].sum, static_cast<double>(exact[k]),
                        1e-12 * static_cast<double>(exact[k]))
                << "bin " << k;
        }
    }
}

// Past the size of the step-by-step reference: the two paths agree.
TEST(ComputeBins, TakesTheSameResultByRanksAsByPairsOnALongSeries) {
    std::mt19937_64 random(2000);
    std::uniform_int_distribution<int> x(0, 1'000'000);
    std::uniform_real_distribution<double> y(-5, 5);
    Points points(200'000);
    for (DataPoint& p : points) {
        p = {static_cast<double>(x(random)), y(random)};
    }
    const auto pairs = computeBins(points, 25, 0, 1e6, {.path = BinningPath::Pairs});
    const auto ranks = computeBins(points, 25, 0, 1e6, {.path = BinningPath::Ranks});
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        ASSERT_EQ(ranks[k].count, pairs[k].count) << "bin " << k;
        ASSERT_NEAR(ranks[k].sum, pairs[k].sum, 1e-12 * pairs[k].sum) << "bin " << k;
    }
}

// Shapes that the rank path's chunks of points find hard: Y that rises with
// X (each chunk's ranks crowd together), one Y throughout (every rank tied),
// whole X (many periods fall on the edges and many points share an X).
TEST(ComputeBins, TakesTheSameResultByRanksAsByPairsOnHardShapes) {
    std::mt19937_64 random(31);
    std::uniform_int_distribution<int> whole(0, 300);
    const struct {
        const char* name;
        double (*x)(std::size_t, int);
        double (*y)(std::size_t, int);
    } shapes[] = {
        {"rising", [](std::size_t i, int) { return 0.37 * static_cast<double>(i); },
         [](std::size_t i, int) { return std::sqrt(static_cast<double>(i)); }},
        {"constant", [](std::size_t i, int) { return 1.5 * static_cast<double>(i % 977); },
         [](std::size_t, int) { return 4.25; }},
        {"whole X", [](std::size_t, int w) { return static_cast<double>(w); },
         [](std::size_t i, int w) { return static_cast<double>((i * 7919) % 113) - w; }},
    };
    for (const auto& shape : shapes) {
        Points points(5000);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int w = whole(random);
            points[i] = {shape.x(i, w), shape.y(i, w)};
        }
        for (const int bins : {1, 7, 30}) {
            const auto pairs = computeBins(points, bins, 0, 300, {.path = BinningPath::Pairs});
            for (const unsigned threads : {1u, 2u}) {
                const auto ranks = computeBins(points, bins, 0, 300,
                                               {.threads = threads, .path = BinningPath::Ranks});
                for (std::size_t k = 0; k < pairs.size(); ++k) {
                    ASSERT_EQ(ranks[k].count, pairs[k].count) << shape.name << " bin " << k;
                    ASSERT_NEAR(ranks[k].sum, pairs[k].sum, 1e-12 * pairs[k].sum)
                        << shape.name << " bin " << k;
                }
            }
        }
    }
}

TEST(ComputeBins, BinsPeriodsNearTheLargestDouble) {
    constexpr double big = std::numeric_limits<double>::max();
    const Points points = {{-big, -big}, {big, big}, {0, 1}, {big / 2, 3}};
    // (MaxPeriod - MinPeriod) * k overflows here: the edges scale k / BinNumber.
    EXPECT_EQ(binEdges(4, 0, big),
              (std::vector<double>{0, big * 0.25, big * 0.5, big * 0.75, big}));
    const auto expected = testing::referenceBins(points, 4, 0, big).bins;
    for (const BinningPath path : kPaths) {
        const auto bins = computeBins(points, 4, 0, big, {.path = path});
        for (std::size_t k = 0; k < bins.size(); ++k) {
            EXPECT_FALSE(std::isnan(bins[k].sum)) << k;
            EXPECT_EQ(bins[k].count, expected[k].count) << k;
        }
        EXPECT_EQ(bins[3].count, 2);  // periods big / 2 (on the edge) and big
    }
}

}  // namespace
}  // namespace tesselin
