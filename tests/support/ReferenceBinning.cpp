#include "ReferenceBinning.h"

#include <cmath>

namespace tesselin::testing {

ReferenceResult referenceBins(std::span<const DataPoint> points, double binNumber, double minPeriod,
                              double maxPeriod) {
    ReferenceResult result;
    const auto bins = static_cast<std::size_t>(std::nearbyint(binNumber));
    const auto edge = [&](std::size_t k) {
        const double scaled = (maxPeriod - minPeriod) * static_cast<double>(k);
        return std::isinf(scaled)
                   ? minPeriod + (maxPeriod - minPeriod) * (static_cast<double>(k) / binNumber)
                   : minPeriod + scaled / binNumber;
    };
    result.bins.resize(bins);
    for (std::size_t k = 1; k <= bins; ++k) {
        result.bins[k - 1].start = edge(k - 1);
        result.bins[k - 1].end = edge(k);
    }
    const auto binPair = [&](double period, double difference) {
        for (BinRow& bin : result.bins) {
            if (bin.start <= period && period <= bin.end) {
                bin.sum = bin.sum + difference;
                bin.count = bin.count + 1;
            }
        }
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            const DataPoint& a = points[i];
            const DataPoint& b = points[j];
            if (a.x > b.x) {
                binPair(a.x - b.x, std::fabs(a.y - b.y));
            }
            if (a.x < b.x) {
                binPair(b.x - a.x, std::fabs(b.y - a.y));
            }
            if (a.x == b.x) {
                result.repeated.push_back(b.x);
            }
        }
    }
    return result;
}

}  // namespace tesselin::testing
