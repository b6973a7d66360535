// The lag binning computation: the step-by-step reference and the production
// computation on the same data, in the same run, so their ratio can be read
// directly. Arguments: points, bins, X kind (0 random reals, 1 whole numbers),
// threads (0: all cores), path (0 the cheaper, 1 pair by pair, 2 by ranks).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/ensemble.h"
#include "analysis/lag_binning.h"
#include "support/ReferenceBinning.h"

namespace {

using tesselin::DataPoint;

std::vector<DataPoint> series(std::size_t n, bool wholeX) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> real(0, 10000);
    std::uniform_int_distribution<int> whole(0, 10000);
    std::vector<DataPoint> points(n);
    for (DataPoint& p : points) {
        p = {wholeX ? whole(random) : real(random), real(random)};
    }
    return points;
}

double lengthOf(const std::vector<DataPoint>& points) {
    double lo = points[0].x;
    double hi = points[0].x;
    for (const DataPoint& p : points) {
        lo = std::min(lo, p.x);
        hi = std::max(hi, p.x);
    }
    return hi - lo;
}

void BM_Reference(benchmark::State& state) {
    const auto points = series(static_cast<std::size_t>(state.range(0)), state.range(2) == 1);
    const double length = lengthOf(points);
    for (auto _ : state) {
        auto result = tesselin::testing::referenceBins(points, static_cast<double>(state.range(1)),
                                                       0, length);
        benchmark::DoNotOptimize(result.bins.data());
    }
}

void BM_Production(benchmark::State& state) {
    const auto points = series(static_cast<std::size_t>(state.range(0)), state.range(2) == 1);
    const double length = lengthOf(points);
    const auto threads = static_cast<unsigned>(state.range(3));
    const auto path = static_cast<tesselin::BinningPath>(state.range(4));
    for (auto _ : state) {
        auto bins = tesselin::computeBins(points, static_cast<int>(state.range(1)), 0, length,
                                          {.threads = threads, .path = path});
        benchmark::DoNotOptimize(bins.data());
    }
}

// Zero-width bins: 16,383 points at X = 0 and 16,383 at X = 1, so that every
// pair across the groups has the period 1, which every one of 32,767 bins
// [1, 1] holds.
void BM_ZeroWidthBins(benchmark::State& state) {
    std::vector<DataPoint> points;
    for (int i = 0; i < 2 * 16383; ++i) {
        points.push_back({i < 16383 ? 0.0 : 1.0, static_cast<double>(i % 97)});
    }
    for (auto _ : state) {
        auto bins = tesselin::computeBins(points, 32767, 1, 1);
        benchmark::DoNotOptimize(bins.data());
    }
}
BENCHMARK(BM_ZeroWidthBins)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_Reference)
    ->Args({32767, 25, 0})
    ->Args({32767, 25, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Production)
    ->Args({32767, 25, 0, 0, 0})
    ->Args({32767, 25, 1, 0, 0})
    ->Args({32767, 25, 0, 1, 0})
    ->Args({32767, 32767, 0, 0, 0})
    ->Args({32767, 25, 0, 0, 2})
    ->Args({32767, 1, 0, 0, 1})
    ->Args({32767, 1, 0, 0, 2})
    ->Args({32767, 5, 0, 0, 1})
    ->Args({32767, 5, 0, 0, 2})
    ->Args({100000, 25, 0, 0, 1})
    ->Args({100000, 25, 0, 0, 2})
    ->Args({1000000, 25, 0, 0, 1})
    ->Args({1000000, 25, 0, 0, 2})
    ->Args({1000000, 25, 0, 1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The bootstrap: arguments points, bins, resamples.
void BM_Bootstrap(benchmark::State& state) {
    const auto points = series(static_cast<std::size_t>(state.range(0)), false);
    const double length = lengthOf(points);
    const std::span<const DataPoint> one(points);
    for (auto _ : state) {
        auto spread = tesselin::bootstrapBins(std::span(&one, 1),
                                              static_cast<double>(state.range(1)), 0, length, {},
                                              {.resamples = static_cast<unsigned>(state.range(2))});
        benchmark::DoNotOptimize(spread.data());
    }
}
BENCHMARK(BM_Bootstrap)
    ->Args({32766, 25, 100})
    ->Args({1000000, 25, 20})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
