#pragma once

#include <cmath>
#include <optional>
#include <string_view>

namespace tesselin {

// What a bin reports of the value differences dY of its pairs: the mean of
// |dY| (the first-order structure function), the mean of dY^2 (the
// second-order one), its square root, or half of it (the semivariance).
enum class Statistic { MeanAbs, MeanSquare, Rms, Semivariance };

// Bins of equal width, or of equal width in the logarithm of the period.
enum class BinScale { Linear, Log };

// Whether a bin sums the squares dY^2 of its pairs rather than |dY|.
constexpr bool sumsSquares(Statistic statistic) {
    return statistic != Statistic::MeanAbs;
}

// A bin's value from the sum over its pairs (of |dY| or of dY^2) and their
// number; the sum stands for sum * 2^exponent (an even exponent for squares).
inline double binValue(Statistic statistic, double sum, double count, int exponent = 0) {
    switch (statistic) {
        case Statistic::MeanAbs:
        case Statistic::MeanSquare:
            return std::ldexp(sum / count, exponent);
        case Statistic::Rms:
            return std::ldexp(std::sqrt(sum / count), exponent / 2);
        case Statistic::Semivariance:
            return std::ldexp(sum / count / 2, exponent);
    }
    return sum / count;
}

// The names of a statistic: on the command line (mean-abs), as a CSV column
// and JSON key (mean_abs_dy), and as the results grid's caption.
struct StatisticNames {
    Statistic statistic;
    std::string_view option;
    std::string_view column;
    std::string_view caption;
};
inline constexpr StatisticNames kStatistics[] = {
    {Statistic::MeanAbs, "mean-abs", "mean_abs_dy", "Avg. Value"},
    {Statistic::MeanSquare, "mean-square", "mean_square_dy", "Mean Square"},
    {Statistic::Rms, "rms", "rms_dy", "RMS Value"},
    {Statistic::Semivariance, "semivariance", "semivariance", "Semivariance"},
};

constexpr const StatisticNames& namesOf(Statistic statistic) {
    return kStatistics[static_cast<int>(statistic)];
}

inline std::optional<Statistic> statisticNamed(std::string_view option) {
    for (const StatisticNames& names : kStatistics) {
        if (names.option == option) {
            return names.statistic;
        }
    }
    return std::nullopt;
}

// The midpoint of a bin: halfway between its edges, or, for logarithmic
// bins, their geometric mean.
inline double binMidpoint(double start, double end, BinScale scale) {
    if (scale == BinScale::Linear) {
        return (end + start) / 2;
    }
    const double product = start * end;
    return std::isfinite(product) && product > 0 ? std::sqrt(product)
                                                 : std::sqrt(start) * std::sqrt(end);
}

}  // namespace tesselin
