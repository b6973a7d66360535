#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

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

}  // namespace
}  // namespace tesselin
