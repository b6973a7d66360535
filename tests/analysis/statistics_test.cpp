#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/ensemble.h"
#include "analysis/lag_binning.h"
#include "analysis/statistics.h"

namespace tesselin {
namespace {

using Points = std::vector<DataPoint>;

// Every pair, every bin with both edges inclusive, summed in long double.
struct Brute {
    std::vector<long double> sum;
    std::vector<double> count;
};

Brute bruteForce(const Points& points, const std::vector<double>& edges, bool squares) {
    Brute result{std::vector<long double>(edges.size() - 1, 0),
                 std::vector<double>(edges.size() - 1, 0)};
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = 0; j < points.size(); ++j) {
            const double period = points[j].x - points[i].x;
            if (period <= 0) {
                continue;  // each pair once; equal X never
            }
            const long double d = static_cast<long double>(points[j].y) - points[i].y;
            for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
                if (edges[k] <= period && period <= edges[k + 1]) {
                    result.sum[k] += squares ? d * d : std::fabs(d);
                    ++result.count[k];
                }
            }
        }
    }
    return result;
}

Points makePoints(std::mt19937_64& random, std::size_t n, bool wholeX, double offset) {
    std::uniform_int_distribution<int> whole(0, 40);
    std::uniform_real_distribution<double> real(0, 40);
    std::normal_distribution<double> noise(0, 1);
    Points points(n);
    for (DataPoint& p : points) {
        p = {wholeX ? whole(random) : real(random), offset + noise(random)};
    }
    return points;
}

TEST(Statistics, EveryStatisticAndScaleMatchesEveryPairOnBothPaths) {
    std::mt19937_64 random(24);
    const struct {
        const char* name;
        std::size_t n;
        bool wholeX;  // periods on the edges, and repeated X
        double offset;
    } cases[] = {
        {"reals", 700, false, 0},
        {"whole X", 700, true, 3},
        {"far from zero", 500, false, 1e7},
        {"long, whole X", 3000, true, -2},
    };
    for (const auto& c : cases) {
        const Points points = makePoints(random, c.n, c.wholeX, c.offset);
        for (const BinScale scale : {BinScale::Linear, BinScale::Log}) {
            const double min = scale == BinScale::Log ? 0.5 : 0;
            const std::vector<double> edges = binEdges(16, min, 40, scale);
            for (const StatisticNames& names : kStatistics) {
                const bool squares = sumsSquares(names.statistic);
                const Brute expected = bruteForce(points, edges, squares);
                for (const BinningPath path : {BinningPath::Pairs, BinningPath::Ranks}) {
                    for (const unsigned threads : {1u, 2u}) {
                        const auto bins = computeBins(points, 16, min, 40,
                                                      {.statistic = names.statistic,
                                                       .scale = scale,
                                                       .threads = threads,
                                                       .path = path});
                        ASSERT_EQ(bins.size(), 16u);
                        for (std::size_t k = 0; k < bins.size(); ++k) {
                            const auto sum = static_cast<double>(expected.sum[k]);
                            ASSERT_EQ(bins[k].start, edges[k]);
                            ASSERT_EQ(bins[k].count, expected.count[k])
                                << c.name << " " << names.option << " bin " << k;
                            ASSERT_NEAR(bins[k].sum, sum, 1e-12 * sum)
                                << c.name << " " << names.option << " bin " << k << " path "
                                << static_cast<int>(path);
                        }
                    }
                }
            }
        }
    }
}

// Differences whose squares pass the largest double, or fall among the
// smallest, still give their exact rms and semivariance.
TEST(Statistics, SquaresOfHugeAndTinyDifferencesKeepTheirValues) {
    const struct {
        double d;
        Statistic statistic;
        double expected;
    } cases[] = {
        {1e200, Statistic::Rms, 1e200},
        {-1e200, Statistic::Rms, 1e200},
        {1.5e154, Statistic::Semivariance, 1.5e154 * (1.5e154 / 2)},
        {1e-170, Statistic::Rms, 1e-170},
        {3e-162, Statistic::Rms, 3e-162},
        {3e-162, Statistic::MeanSquare, 9e-324},  // below the smallest double: 0 or its least
    };
    for (const auto& c : cases) {
        const Points points = {{0, 0}, {1, c.d}, {2, 0}, {3, c.d}};
        for (const BinningPath path : {BinningPath::Pairs, BinningPath::Ranks}) {
            const auto bins =
                computeBins(points, 1, 0, 3, {.statistic = c.statistic, .path = path});
            const double value =
                binValue(c.statistic, bins[0].sum, bins[0].count, bins[0].exponent);
            // Four of the six pairs differ by |d|, two by 0.
            const double share = 4.0 / 6;
            const double expected = c.statistic == Statistic::MeanSquare ? share * c.d * c.d
                                    : c.statistic == Statistic::Rms ? std::sqrt(share) * c.expected
                                                                    : share * c.expected;
            EXPECT_EQ(bins[0].count, 6);
            EXPECT_NEAR(value, expected, 1e-14 * expected + 1e-323)
                << c.d << " path " << static_cast<int>(path);
        }
    }
}

TEST(Statistics, ValuesFollowFromTheSums) {
    EXPECT_EQ(binValue(Statistic::MeanAbs, 6, 4), 1.5);
    EXPECT_EQ(binValue(Statistic::MeanSquare, 36, 4), 9);
    EXPECT_EQ(binValue(Statistic::Rms, 36, 4), 3);
    EXPECT_EQ(binValue(Statistic::Semivariance, 36, 4), 4.5);
    EXPECT_EQ(statisticNamed("rms"), Statistic::Rms);
    EXPECT_EQ(statisticNamed("mean"), std::nullopt);
}

TEST(Statistics, LogarithmicEdgesGrowByOneRatioAndEndAtTheMaximum) {
    const std::vector<double> edges = binEdges(3, 0.7, 700, BinScale::Log);
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_EQ(edges[0], 0.7);
    EXPECT_EQ(edges[1], 0.7 * std::pow(700 / 0.7, 1.0 / 3));
    EXPECT_EQ(edges[2], 0.7 * std::pow(700 / 0.7, 2.0 / 3));
    EXPECT_EQ(edges[3], 700);
    // A ratio beyond the largest double still gives finite, rising edges.
    const std::vector<double> wide = binEdges(4, 1e-300, 1e300, BinScale::Log);
    EXPECT_NEAR(wide[2], 1, 1e-12);
    EXPECT_EQ(wide[4], 1e300);
    EXPECT_NEAR(binMidpoint(1, 100, BinScale::Log), 10, 1e-15);
    EXPECT_EQ(binMidpoint(1, 100, BinScale::Linear), 50.5);
}

// A point counted w times bins as w copies of it would, on both paths.
TEST(Statistics, WeightedPointsBinAsTheirCopies) {
    std::mt19937_64 random(5);
    std::uniform_int_distribution<int> times(1, 3);
    const Points points = makePoints(random, 400, true, 1);
    std::vector<double> weights;
    Points copies;
    for (const DataPoint& p : points) {
        weights.push_back(times(random));
        copies.insert(copies.end(), static_cast<std::size_t>(weights.back()), p);
    }
    for (const Statistic statistic : {Statistic::MeanAbs, Statistic::MeanSquare}) {
        for (const BinningPath path : {BinningPath::Pairs, BinningPath::Ranks}) {
            const auto expected = computeBins(copies, 9, 0, 40, {.statistic = statistic});
            const auto weighted = computeBins(
                points, 9, 0, 40, {.statistic = statistic, .path = path, .weights = weights});
            for (std::size_t k = 0; k < expected.size(); ++k) {
                ASSERT_EQ(weighted[k].count, expected[k].count) << "bin " << k;
                ASSERT_NEAR(weighted[k].sum, expected[k].sum, 1e-12 * expected[k].sum);
            }
        }
    }
}

// The same resampling, done the plain way: std::mt19937 draws, copies of the
// drawn points, every pair binned.
std::vector<double> plainBootstrapDeviation(const Points& points, const std::vector<double>& edges,
                                            int resamples) {
    std::mt19937_64 random(77);
    std::uniform_int_distribution<std::size_t> draw(0, points.size() - 1);
    std::vector<std::vector<double>> values(edges.size() - 1);
    for (int r = 0; r < resamples; ++r) {
        Points resample(points.size());
        for (DataPoint& p : resample) {
            p = points[draw(random)];
        }
        const Brute bins = bruteForce(resample, edges, false);
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (bins.count[k] > 0) {
                values[k].push_back(static_cast<double>(bins.sum[k]) / bins.count[k]);
            }
        }
    }
    std::vector<double> deviation;
    for (const std::vector<double>& v : values) {
        double mean = 0;
        for (const double x : v) {
            mean += x / static_cast<double>(v.size());
        }
        double squares = 0;
        for (const double x : v) {
            squares += (x - mean) * (x - mean);
        }
        deviation.push_back(std::sqrt(squares / static_cast<double>(v.size() - 1)));
    }
    return deviation;
}

TEST(Statistics, TheBootstrapIsRepeatableAndAgreesWithAPlainOne) {
    std::mt19937_64 random(12);
    const Points points = makePoints(random, 300, false, 0);
    const std::span<const DataPoint> one(points);
    const auto spread = [&](unsigned threads, std::uint64_t seed) {
        return bootstrapBins(std::span(&one, 1), 6, 0, 40, {.threads = threads},
                             {.resamples = 300, .seed = seed});
    };
    const std::vector<BinSpread> first = spread(1, 3);
    const std::vector<BinSpread> again = spread(2, 3);
    const std::vector<BinSpread> other = spread(1, 4);
    const std::vector<double> plain = plainBootstrapDeviation(points, binEdges(6, 0, 40), 300);
    for (std::size_t k = 0; k < first.size(); ++k) {
        EXPECT_EQ(first[k].std, again[k].std) << "bin " << k;
        EXPECT_EQ(first[k].p16, again[k].p16);
        EXPECT_EQ(first[k].resamples, 300u);
        EXPECT_NE(first[k].std, other[k].std);
        // Two bootstraps of 300 resamples: their deviations agree within
        // sampling error, some 6% each.
        EXPECT_NEAR(first[k].std, plain[k], 0.25 * plain[k]) << "bin " << k;
        EXPECT_LT(first[k].p16, first[k].p84);
    }
    // About 1 - 1/e of the points are drawn at least once.
    const std::vector<std::size_t> drawn = resampleIndices(100000, 1, 2, 3);
    std::vector<bool> seen(drawn.size());
    for (const std::size_t i : drawn) {
        seen[i] = true;
    }
    EXPECT_NEAR(static_cast<double>(std::count(seen.begin(), seen.end(), true)) / 1e5,
                1 - std::exp(-1.0), 0.005);
}

// Pairs only within each series; weighted by pairs, a bin holds them all,
// weighted by series, its value is the mean of the series' values.
TEST(Statistics, AnEnsembleTakesPairsWithinEachSeries) {
    std::mt19937_64 random(8);
    const Points a = makePoints(random, 300, false, 0);
    const Points b = makePoints(random, 200, true, 50);
    const std::vector<double> edges = binEdges(7, 0, 40);
    for (const Statistic statistic : {Statistic::MeanAbs, Statistic::Rms}) {
        const bool squares = sumsSquares(statistic);
        const Brute ba = bruteForce(a, edges, squares);
        const Brute bb = bruteForce(b, edges, squares);
        const std::vector<std::vector<BinRow>> series = {
            computeBins(a, 7, 0, 40, {.statistic = statistic}),
            computeBins(b, 7, 0, 40, {.statistic = statistic})};
        const CombinedBins pairs = combineSeries(series, statistic, SeriesWeight::Pairs);
        const CombinedBins bySeries = combineSeries(series, statistic, SeriesWeight::Series);
        for (std::size_t k = 0; k < edges.size() - 1; ++k) {
            const double count = ba.count[k] + bb.count[k];
            const double sum = static_cast<double>(ba.sum[k] + bb.sum[k]);
            EXPECT_EQ(pairs.rows[k].count, count);
            EXPECT_NEAR(pairs.values[k], binValue(statistic, sum, count), 1e-12 * pairs.values[k]);
            const double mean = (binValue(statistic, static_cast<double>(ba.sum[k]), ba.count[k]) +
                                 binValue(statistic, static_cast<double>(bb.sum[k]), bb.count[k])) /
                                2;
            EXPECT_NEAR(bySeries.values[k], mean, 1e-12 * mean);
            EXPECT_EQ(bySeries.rows[k].count, count);
        }
    }
}

}  // namespace
}  // namespace tesselin
