#include "options.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>

#include <unordered_map>
#include <utility>

#include "analysis/parameters.h"
#include "common/numbers.h"

namespace tesselin::cli {
namespace {

constexpr std::string_view kUsage = R"(Usage: tesselin-cli FILE... --x COLUMN --y COLUMN [options]
       tesselin-cli FILE --table [--format F] [--output OUT]

Runs the lag binning analysis of Tesselin on data sets and writes their
results files, byte for byte as Tesselin's File > Save writes them, for data
sets of any number of rows.

  FILE              a data set: whitespace-separated text, separated values
                    (.csv, .tsv), or the first worksheet of a workbook (.xls,
                    .xlsx, .ods); several need --output-dir
  --x COLUMN        the X and Y columns: a number counted from 0 ("Col. 0",
  --y COLUMN        ...), or, for data sets with a header, a column's name
  --bins N          the number of bins (default 25)
  --min P           the minimum period (default 0)
  --max P           the maximum period (default: the length of the data set)
  --format F        text, csv, xls, xlsx or ods (default: what the file holds;
                    text files ending in .csv or .tsv are separated values)
  --output OUT      write the results to OUT instead of standard output;
                    an existing OUT is replaced only once the new file is
                    complete
  --output-dir DIR  write the results of each FILE to DIR/PATH/NAME.results.txt
                    (.results.csv, .results.json), PATH being the folders of
                    FILE's path and NAME its name without the extension; a
                    file that fails is reported in one line, keeps its
                    earlier results, and the others go on
  --output-format F text (the results file of Tesselin, the default), csv or
                    json (the same rows at full precision; json also says what
                    produced them)
  --date-order O    dmy or mdy: how dates such as 3/1/2024 in separated
                    values read where no date of their column tells (a
                    first number above 12 means day first, a second month
                    first)
  --statistic S     what each bin reports of the value differences dY of its
                    pairs: mean-abs (mean |dY|, the default), mean-square
                    (mean dY^2), rms (its square root) or semivariance (half
                    the mean dY^2)
  --bin-scale S     linear (bins of equal width, the default) or log (of equal
                    width in log period; needs --min above 0; the midpoint is
                    then the geometric mean of the edges)
  --bootstrap K     resample the points with replacement K times and add each
                    bin's spread to csv and json results: std, p16, p84
  --seed S          the bootstrap's seed, a whole number (default 20261207)
  --combine         one results set (--output) from all the FILEs: each bin
                    holds the pairs of every series, pairs formed only within
                    a series; the default maximum is the longest data length
  --weight W        with --combine: pairs (every pair counts once, the
                    default) or series (each series' bin value counts once)
  --skip-failed     with --combine: leave out a series that fails instead of
                    ending without results
  --threads N       the threads of the computation (default: one per core);
                    a batch analyses that many data sets side by side; the
                    results do not depend on it
  --quiet           no progress line (shown on a terminal for long runs)
  --table           instead of analysing FILE, print it as CSV as Tesselin's
                    grid would hold it (without the grid's row limit): the
                    captions ("Col. 0 JD", ...), then every row; takes --format
                    and --output
  --help            show this text

The answers are read and checked as Tesselin's questions read them; option
values must be numbers. The data summary and every message go to standard
error. Ctrl-C stops at once and leaves no results file of the interrupted
data set.

Exit status: 0 success; 1 the results could not be written; 2 bad arguments,
columns or parameters; 3 no data to analyse; 4 the file could not be imported;
5 with --output-dir or --combine, one or more of the data sets failed; 128 +
the signal's number when interrupted (130 for Ctrl-C). -- ends the options.
)";

int usageError(std::string_view message) {
    std::cerr << "tesselin-cli: " << message << "\nTry 'tesselin-cli --help'.\n";
    return kBadArguments;
}

// A file's identity, for telling whether a results file is a data file.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};
struct FileIdHash {
    std::size_t operator()(const FileId& id) const noexcept {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) * 31 +
                                          static_cast<std::uint64_t>(id.device));
    }
};

std::optional<FileId> fileId(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileId{status.st_dev, status.st_ino};
}

// Two data sets whose results would go to one file, or results that would
// replace a data set, before anything runs. Each path is looked at once, so
// the check takes time in proportion to the number of files.
std::optional<int> refuseClashingResults(const Options& options) {
    if (!options.batch && !options.hasOutput) {
        return std::nullopt;
    }
    // Only a results file that exists already can be a data file: in a new
    // folder none does, and the data files need not be looked at.
    std::error_code ec;
    const bool existingFolder = !options.batch || std::filesystem::exists(options.outputDir, ec);
    std::unordered_map<FileId, const std::string*, FileIdHash> inputs;
    bool inputsKnown = false;
    std::unordered_map<std::string, const std::string*> taken;
    taken.reserve(options.files.size());
    for (const std::string& file : options.files) {
        const std::filesystem::path results =
            options.batch ? resultsPathFor(file, options) : std::filesystem::path(options.output);
        if (const auto id = existingFolder ? fileId(results) : std::nullopt) {
            if (!inputsKnown) {
                for (const std::string& data : options.files) {
                    if (const auto dataId = fileId(data)) {
                        inputs.emplace(*dataId, &data);
                    }
                }
                inputsKnown = true;
            }
            if (const auto input = inputs.find(*id); input != inputs.end()) {
                return usageError("the results of " + file + " would replace the data file " +
                                  *input->second);
            }
        }
        if (!options.batch) {
            continue;
        }
        const auto [at, added] = taken.emplace(results.lexically_normal().string(), &file);
        if (!added) {
            return usageError(*at->second + " and " + file + " would both write " + at->first +
                              "; rename one, or run them with different --output-dir");
        }
    }
    return std::nullopt;
}

// A step of a path as a folder or file name under --output-dir: "%" is
// written "%25", so that the names made for ".." and the root below never
// come from a real name.
std::string escapedStep(const std::string& step) {
    std::string escaped;
    for (const char c : step) {
        escaped += c == '%' ? std::string("%25") : std::string(1, c);
    }
    return escaped;
}

// The settings of what is computed: the statistic, the bins' scale, the
// bootstrap and the weight of the series.
std::optional<int> readSettings(const CLI::App& app, const std::string& statistic,
                                const std::string& binScale, const std::string& bootstrap,
                                const std::string& seed, const std::string& weight,
                                Options& options) {
    AnalysisSettings& settings = options.settings;
    if (app.count("--statistic") > 0) {
        const auto named = statisticNamed(statistic);
        if (!named) {
            return usageError("--statistic is mean-abs, mean-square, rms or semivariance");
        }
        settings.statistic = *named;
    }
    if (app.count("--bin-scale") > 0) {
        if (binScale != "linear" && binScale != "log") {
            return usageError("--bin-scale is linear or log");
        }
        settings.scale = binScale == "log" ? BinScale::Log : BinScale::Linear;
    }
    if (app.count("--bootstrap") > 0) {
        const auto resamples = strictNumber(bootstrap);
        if (!resamples || *resamples < 1 || *resamples > 1'000'000 ||
            *resamples != std::floor(*resamples)) {
            return usageError("--bootstrap is a whole number of resamples from 1 to 1000000");
        }
        settings.resamples = static_cast<unsigned>(*resamples);
    }
    if (app.count("--seed") > 0) {
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(seed.data(), seed.data() + seed.size(), value);
        if (seed.empty() || error != std::errc() || end != seed.data() + seed.size()) {
            return usageError("--seed is a whole number from 0 to 18446744073709551615");
        }
        if (settings.resamples == 0) {
            return usageError("--seed goes with --bootstrap");
        }
        settings.seed = value;
    }
    if (app.count("--weight") > 0) {
        if (weight != "pairs" && weight != "series") {
            return usageError("--weight is pairs or series");
        }
        settings.weight = weight == "series" ? SeriesWeight::Series : SeriesWeight::Pairs;
    }
    return std::nullopt;
}

}  // namespace

std::optional<DataKind> dataKindNamed(std::string_view name) {
    constexpr std::pair<std::string_view, DataKind> kKinds[] = {{"text", DataKind::Text},
                                                                {"csv", DataKind::SeparatedValues},
                                                                {"xls", DataKind::Xls},
                                                                {"xlsx", DataKind::Xlsx},
                                                                {"ods", DataKind::Ods}};
    for (const auto& [kindName, kind] : kKinds) {
        if (kindName == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::filesystem::path resultsPathFor(const std::string& file, const Options& options) {
    const std::string extension = options.outputFormat == "text" ? "txt" : options.outputFormat;
    std::filesystem::path input = std::filesystem::path(file).lexically_normal();
    std::filesystem::path results(options.outputDir);
    if (input.is_absolute()) {
        // Under the working folder, as if given from there; elsewhere from
        // the root.
        std::error_code ec;
        const std::filesystem::path here = std::filesystem::current_path(ec);
        const std::filesystem::path relative =
            ec ? std::filesystem::path() : input.lexically_relative(here);
        if (!relative.empty() && *relative.begin() != "..") {
            input = relative;
        } else {
            results /= "%2F";
        }
    }
    for (const std::filesystem::path& step : input.relative_path().parent_path()) {
        results /= step == ".." ? std::string("%2E%2E") : escapedStep(step.string());
    }
    return results / (escapedStep(input.stem().string()) + ".results." + extension);
}

std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app("tesselin-cli");
    app.allow_extras();  // reported below in this program's own words
    app.add_option("files", options.files);
    app.add_flag("--quiet", options.quiet);
    app.add_flag("--table", options.table);
    app.add_flag("--combine", options.combine);
    app.add_flag("--skip-failed", options.skipFailed);
    std::string dateOrder, statistic, binScale, bootstrap, seed, weight;
    const std::pair<const char*, std::string*> valued[] = {
        {"--x", &options.x},
        {"--y", &options.y},
        {"--bins", &options.bins},
        {"--min", &options.min},
        {"--max", &options.max},
        {"--format", &options.format},
        {"--output", &options.output},
        {"--output-dir", &options.outputDir},
        {"--output-format", &options.outputFormat},
        {"--threads", &options.threads},
        {"--date-order", &dateOrder},
        {"--statistic", &statistic},
        {"--bin-scale", &binScale},
        {"--bootstrap", &bootstrap},
        {"--seed", &seed},
        {"--weight", &weight}};
    for (const auto& [name, value] : valued) {
        app.add_option(name, *value);
    }
    // "--" ends the options: what follows are files, "-x.csv" too.
    int optionCount = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--") {
            optionCount = i;
            break;
        }
    }
    try {
        app.parse(optionCount, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << kUsage;
        return kSuccess;
    } catch (const CLI::ArgumentMismatch& error) {
        // CLI11 names the option first: "--x: 1 required TEXT missing", or
        // "--x: At Most 1 required but received 2".
        const std::string_view what = error.what();
        const std::string option(what.substr(0, what.find(':')));
        return usageError(what.find("received") != std::string_view::npos
                              ? option + " is given more than once"
                              : option + " needs a value");
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    if (const std::vector<std::string> extras = app.remaining(); !extras.empty()) {
        return usageError("unknown option " + extras.front());
    }
    for (int i = optionCount + 1; i < argc; ++i) {
        options.files.emplace_back(argv[i]);
    }
    if (options.files.empty()) {
        return usageError("no data file given");
    }
    if (options.table) {
        if (options.files.size() > 1 || app.count("--output-dir") > 0) {
            return usageError("--table shows one data file; --output names where it goes");
        }
    } else if (app.count("--x") == 0 || app.count("--y") == 0) {
        return usageError("both --x and --y are needed");
    }
    options.hasBins = app.count("--bins") > 0;
    options.hasMin = app.count("--min") > 0;
    options.hasMax = app.count("--max") > 0;
    options.hasFormat = app.count("--format") > 0;
    options.hasOutput = app.count("--output") > 0;
    options.batch = app.count("--output-dir") > 0;
    if (app.count("--date-order") > 0) {
        if (dateOrder != "dmy" && dateOrder != "mdy") {
            return usageError("--date-order is dmy (day first) or mdy (month first)");
        }
        options.dateOrder = dateOrder == "dmy" ? DateOrder::DayFirst : DateOrder::MonthFirst;
    }
    if (options.hasFormat && !dataKindNamed(options.format)) {
        return usageError("--format is text, csv, xls, xlsx or ods");
    }
    if (options.outputFormat != "text" && options.outputFormat != "csv" &&
        options.outputFormat != "json") {
        return usageError("--output-format is text, csv or json");
    }
    if (options.batch && options.hasOutput) {
        return usageError("--output and --output-dir cannot be given together");
    }
    if (options.combine && options.batch) {
        return usageError("--combine writes one results set: give --output, not --output-dir");
    }
    if (!options.combine && (app.count("--weight") > 0 || options.skipFailed)) {
        return usageError("--weight and --skip-failed go with --combine");
    }
    if (options.files.size() > 1 && !options.batch && !options.combine) {
        return usageError("several data files need --output-dir, which receives their results");
    }
    if (const auto bad = readSettings(app, statistic, binScale, bootstrap, seed, weight, options)) {
        return bad;
    }
    // Unlike the window's input boxes, an option takes no "2x" for 2.
    for (const auto& [name, value] : valued) {
        const std::string_view option = name;
        if ((option == "--bins" || option == "--min" || option == "--max") && app.count(name) > 0 &&
            !strictNumber(*value)) {
            std::cerr << "tesselin-cli: " << name << ": '" << *value << "' is not a number\n";
            return kBadArguments;
        }
    }
    // The parameters that no data set can change are checked before any
    // file is read or written.
    const auto refused = [&](const char* option, std::vector<std::string_view> messages) {
        return messages.empty() ? std::nullopt
                                : std::optional(usageError(std::string(option) + ": " +
                                                           std::string(messages.front())));
    };
    const double unbounded = std::numeric_limits<double>::infinity();
    const double minimum = options.hasMin ? leadingNumberValue(options.min) : 0.0;
    if (const auto bad =
            options.hasBins ? refused("--bins", binNumberMessages(leadingNumberValue(options.bins)))
                            : std::nullopt) {
        return bad;
    }
    if (const auto bad = refused("--min", minPeriodMessages(minimum, unbounded))) {
        return bad;
    }
    if (options.settings.scale == BinScale::Log && !(minimum > 0)) {
        return usageError(options.hasMin ? "--min: logarithmic bins need a minimum period above 0"
                                         : "--bin-scale log needs --min, a minimum period above 0");
    }
    if (const auto bad = options.hasMax
                             ? refused("--max", maxPeriodMessages(leadingNumberValue(options.max),
                                                                  minimum, unbounded))
                             : std::nullopt) {
        return bad;
    }
    if (app.count("--threads") > 0) {
        const auto threads = strictNumber(options.threads);
        if (!threads || *threads < 1 || *threads > 4096 || *threads != std::floor(*threads)) {
            return usageError("--threads is a whole number from 1 to 4096");
        }
        options.threadCount = static_cast<unsigned>(*threads);
    }
    return refuseClashingResults(options);
}

}  // namespace tesselin::cli
