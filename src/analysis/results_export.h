#pragma once

#include <span>
#include <string>
#include <string_view>

#include "analysis/analysis_run.h"

namespace tesselin {

// The results as people read them next: a CSV file for pandas or a
// spreadsheet, and a JSON document that also says what produced them. Both
// give one row per bin with pairs, each value at full precision (the shortest
// text that reads back as the same double).
std::string resultsCsv(const AnalysisRun& run);

struct ResultsSource {
    std::string file;
    int xColumn = 0;
    int yColumn = 1;
    std::string xName;  // empty when the data set has no column names
    std::string yName;
};

std::string resultsJson(const AnalysisRun& run, const AnalysisData& data,
                        const ResultsSource& source);

// The JSON document of an ensemble: its series with their points, those left
// out (--skip-failed), and the combined rows.
struct EnsembleMember {
    ResultsSource source;
    std::size_t points = 0;
    double dataLength = 0;
};
std::string ensembleJson(const AnalysisRun& run, std::span<const EnsembleMember> members,
                         std::span<const std::string> skipped);

}  // namespace tesselin
