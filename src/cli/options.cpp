#include "options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <map>
#include <utility>

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
  --output-dir DIR  write the results of each FILE to DIR/NAME.results.txt
                    (.results.csv, .results.json), NAME being the file's name
                    without its extension; a file that fails is reported in
                    one line and the others go on
  --output-format F text (the results file of Tesselin, the default), csv or
                    json (the same rows at full precision; json also says what
                    produced them)
  --date-order O    dmy or mdy: how dates such as 3/1/2024 in separated
                    values read where no date of their column tells (a
                    first number above 12 means day first, a second month
                    first)
  --threads N       the threads of the computation (default: one per core);
                    the results do not depend on it
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
5 with --output-dir, one or more of the data sets failed; 128 + the signal's
number when interrupted (130 for Ctrl-C).
)";

int usageError(std::string_view message) {
    std::cerr << "tesselin-cli: " << message << "\nTry 'tesselin-cli --help'.\n";
    return kBadArguments;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec) &&
           !ec;
}

// Two data sets whose results would go to one file, or results that would
// replace a data set, before anything runs.
std::optional<int> refuseClashingResults(const Options& options) {
    std::map<std::filesystem::path, const std::string*> taken;
    for (const std::string& file : options.files) {
        const std::filesystem::path results =
            options.batch ? resultsPathFor(file, options) : std::filesystem::path(options.output);
        if (!options.batch && !options.hasOutput) {
            continue;
        }
        for (const std::string& input : options.files) {
            if (sameFile(results, input)) {
                return usageError("the results of " + file + " would replace the data file " +
                                  input);
            }
        }
        const auto [at, added] = taken.emplace(results, &file);
        if (!added) {
            return usageError(*at->second + " and " + file + " would both write " +
                              at->first.string() +
                              "; rename one, or run them with different --output-dir");
        }
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
    return std::filesystem::path(options.outputDir) /
           (std::filesystem::path(file).stem().string() + ".results." + extension);
}

std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app("tesselin-cli");
    app.allow_extras();  // reported below in this program's own words
    app.add_option("files", options.files);
    app.add_flag("--quiet", options.quiet);
    app.add_flag("--table", options.table);
    std::string dateOrder;
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
        {"--date-order", &dateOrder}};
    for (const auto& [name, value] : valued) {
        app.add_option(name, *value);
    }
    try {
        app.parse(argc, argv);
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
    if (options.files.size() > 1 && !options.batch) {
        return usageError("several data files need --output-dir, which receives their results");
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
