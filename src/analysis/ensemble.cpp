#include "analysis/ensemble.h"

#include <algorithm>
#include <cmath>

namespace tesselin {
namespace {

// SplitMix64: a small generator whose every output is a fixed function of
// its state, so that a seed gives the same draws on every system.
std::uint64_t mixed(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15;

// The value at a fraction q of the way through sorted values, linear
// between the nearest two.
double percentile(const std::vector<double>& sorted, double q) {
    const double position = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    if (below + 1 >= sorted.size()) {
        return sorted.back();
    }
    const double fraction = position - static_cast<double>(below);
    if (sorted[below + 1] == sorted[below]) {
        return sorted[below];  // also for two infinities
    }
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

BinSpread spreadOf(std::vector<double> values) {
    BinSpread spread;
    spread.resamples = values.size();
    if (values.empty()) {
        return spread;
    }
    std::ranges::sort(values);
    spread.p16 = percentile(values, 0.16);
    spread.p84 = percentile(values, 0.84);
    if (values.size() > 1) {
        // Taken in units of the largest value, so that squares of values
        // near the largest double do not overflow.
        const double unit = std::max(std::abs(values.front()), std::abs(values.back()));
        const double scale = unit > 0 && std::isfinite(unit) ? unit : 1;
        double mean = 0;
        for (const double v : values) {
            mean += v / scale;
        }
        mean /= static_cast<double>(values.size());
        double squares = 0;
        for (const double v : values) {
            squares += (v / scale - mean) * (v / scale - mean);
        }
        spread.std = scale * std::sqrt(squares / static_cast<double>(values.size() - 1));
    }
    return spread;
}

}  // namespace

CombinedBins combineSeries(std::span<const std::vector<BinRow>> series, Statistic statistic,
                           SeriesWeight weight) {
    CombinedBins combined;
    if (series.empty()) {
        return combined;
    }
    combined.rows = series.front();
    const std::size_t bins = combined.rows.size();
    // The sums are added at the largest of their scales.
    for (std::size_t k = 0; k < bins && series.size() > 1; ++k) {
        BinRow& row = combined.rows[k];
        row.sum = 0;
        row.count = 0;
        row.exponent = std::numeric_limits<int>::min();
        for (const std::vector<BinRow>& rows : series) {
            if (rows[k].count > 0) {
                row.exponent = std::max(row.exponent, rows[k].exponent);
            }
        }
        for (const std::vector<BinRow>& rows : series) {
            if (rows[k].count > 0) {
                row.sum += std::ldexp(rows[k].sum, rows[k].exponent - row.exponent);
                row.count += rows[k].count;
            }
        }
        if (row.count == 0) {
            row.exponent = 0;
        }
    }
    combined.values.assign(bins, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t k = 0; k < bins; ++k) {
        const BinRow& row = combined.rows[k];
        if (weight == SeriesWeight::Pairs || series.size() == 1) {
            if (row.count > 0) {
                combined.values[k] = binValue(statistic, row.sum, row.count, row.exponent);
            }
            continue;
        }
        double total = 0;
        double counted = 0;
        for (const std::vector<BinRow>& rows : series) {
            if (rows[k].count > 0) {
                total += binValue(statistic, rows[k].sum, rows[k].count, rows[k].exponent);
                ++counted;
            }
        }
        if (counted > 0) {
            combined.values[k] = total / counted;
        }
    }
    return combined;
}

std::vector<std::size_t> resampleIndices(std::size_t n, std::uint64_t seed, std::uint64_t resample,
                                         std::uint64_t series) {
    std::uint64_t state =
        mixed(mixed(mixed(seed + kGolden) ^ (resample + kGolden)) ^ (series * kGolden + 1));
    std::vector<std::size_t> indices(n);
    for (std::size_t& index : indices) {
        state += kGolden;
        // The high half of a 64 x 64-bit product: a draw from [0, n).
        __extension__ using Wide = unsigned __int128;
        index = static_cast<std::size_t>((static_cast<Wide>(mixed(state)) * n) >> 64);
    }
    return indices;
}

std::vector<BinSpread> bootstrapBins(std::span<const std::span<const DataPoint>> series,
                                     double binNumber, double minPeriod, double maxPeriod,
                                     const BinningOptions& binning,
                                     const BootstrapOptions& options) {
    BinningOptions inner = binning;
    inner.progress = nullptr;
    const std::size_t bins = binCount(binNumber);
    // By bin, the values of the resamples that had pairs in it.
    std::vector<std::vector<double>> values(bins);
    if (options.progress != nullptr) {
        options.progress->begin(options.resamples);
    }
    // A resample is binned as the points it drew at least once, each
    // counting as often as it was drawn.
    std::vector<DataPoint> drawn;
    std::vector<double> times;
    std::vector<double> weights;
    std::vector<std::vector<BinRow>> rows(series.size());
    for (unsigned r = 0; r < options.resamples; ++r) {
        for (std::size_t s = 0; s < series.size(); ++s) {
            const std::span<const DataPoint> points = series[s];
            times.assign(points.size(), 0);
            for (const std::size_t index : resampleIndices(points.size(), options.seed, r, s)) {
                ++times[index];
            }
            drawn.clear();
            weights.clear();
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (times[i] > 0) {
                    drawn.push_back(points[i]);
                    weights.push_back(times[i]);
                }
            }
            inner.weights = weights;
            rows[s] = computeBins(drawn, binNumber, minPeriod, maxPeriod, inner);
        }
        const CombinedBins combined = combineSeries(rows, binning.statistic, options.weight);
        for (std::size_t k = 0; k < bins; ++k) {
            if (combined.rows[k].count > 0) {
                values[k].push_back(combined.values[k]);
            }
        }
        if (options.progress != nullptr) {
            options.progress->advance(1);
        }
    }
    std::vector<BinSpread> spread(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        spread[k] = spreadOf(std::move(values[k]));
    }
    return spread;
}

}  // namespace tesselin
