#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/analysis_run.h"
#include "import/data_set.h"
#include "import/text/local_dates.h"

namespace tesselin::cli {

enum ExitCode : int {
    kSuccess = 0,
    kOutputFailed = 1,
    kBadArguments = 2,
    kNoData = 3,
    kImportFailed = 4,
    kSomeFilesFailed = 5,
};

struct Options {
    std::vector<std::string> files;
    std::string x, y, bins, min, max, format, output, outputDir, outputFormat = "text", threads;
    bool hasBins = false, hasMin = false, hasMax = false, hasFormat = false, hasOutput = false;
    bool batch = false;  // --output-dir: one results file per data set
    bool quiet = false;
    bool table = false;                          // --table: show the data set instead
    DateOrder dateOrder = DateOrder::Undecided;  // --date-order
    unsigned threadCount = 0;
    // --statistic, --bin-scale, --bootstrap, --seed and --weight.
    AnalysisSettings settings;
    bool combine = false;     // --combine: one results set from all the series
    bool skipFailed = false;  // --skip-failed: an ensemble goes on without a failed series
};

// Reads the command line into options; gives an exit status when the program
// should end at once (help, or a mistake in the arguments).
std::optional<int> parse(int argc, char** argv, Options& options);

// The data kind that --format names.
std::optional<DataKind> dataKindNamed(std::string_view name);

// Where --output-dir puts the results of a data set: star.csv gives
// DIR/star.results.txt (.csv, .json for those output formats), and the
// folders of the path come along, survey/2023/star.csv giving
// DIR/survey/2023/star.results.txt, so that data sets of one name in
// different folders keep their results apart. An absolute path under the
// working folder counts from there; another comes under DIR/%2F/, a ".." step
// as %2E%2E (and a "%" of a name as %25): every input has a results path of
// its own, inside DIR.
std::filesystem::path resultsPathFor(const std::string& file, const Options& options);

}  // namespace tesselin::cli
