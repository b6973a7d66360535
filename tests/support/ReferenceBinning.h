#pragma once

#include <span>
#include <vector>

#include "analysis/extraction.h"
#include "analysis/lag_binning.h"

namespace tesselin::testing {

// The lag binning done the slow, obvious way, step by step: every pair in data
// order, every bin tested with both edges inclusive. The oracle for
// computeBins.
struct ReferenceResult {
    std::vector<BinRow> bins;
    std::vector<double> repeated;  // one X per pair with equal X, in pair order
};

ReferenceResult referenceBins(std::span<const DataPoint> points, double binNumber, double minPeriod,
                              double maxPeriod);

}  // namespace tesselin::testing
