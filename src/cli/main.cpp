// tesselin-cli: the lag binning analysis of data sets of any size, without windows.
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <string_view>

#include "analysis/analysis_run.h"
#include "analysis/column_choice.h"
#include "analysis/extraction.h"
#include "analysis/results_export.h"
#include "analysis/results_file.h"
#include "common/Failure.h"
#include "common/Progress.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "import/column_names.h"
#include "import/data_set.h"
#include "import/spreadsheet.h"
#include "import/workbook_helper.h"
#include "progress_line.h"

namespace {

using namespace tesselin;

enum ExitCode : int {
    kSuccess = 0,
    kOutputFailed = 1,
    kBadArguments = 2,
    kNoData = 3,
    kImportFailed = 4,
    kSomeFilesFailed = 5,
};

constexpr std::string_view kUsage = R"(Usage: tesselin-cli FILE... --x COLUMN --y COLUMN [options]

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
  --threads N       the threads of the computation (default: one per core);
                    the results do not depend on it
  --quiet           no progress line (shown on a terminal for long runs)
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

struct Options {
    std::vector<std::string> files;
    std::string x, y, bins, min, max, format, output, outputDir, outputFormat = "text", threads;
    bool hasBins = false, hasMin = false, hasMax = false, hasFormat = false, hasOutput = false;
    bool batch = false;  // --output-dir: one results file per data set
    bool quiet = false;
    unsigned threadCount = 0;
};

int usageError(std::string_view message) {
    std::cerr << "tesselin-cli: " << message << "\nTry 'tesselin-cli --help'.\n";
    return kBadArguments;
}

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

// Where --output-dir puts the results of a data set: star.csv gives
// DIR/star.results.txt (.csv, .json for those output formats).
std::filesystem::path resultsPathFor(const std::string& file, const Options& options) {
    const std::string extension = options.outputFormat == "text" ? "txt" : options.outputFormat;
    return std::filesystem::path(options.outputDir) /
           (std::filesystem::path(file).stem().string() + ".results." + extension);
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

// Reads the command line into options; gives an exit status when the program
// should end at once (help, or a mistake in the arguments).
std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app("tesselin-cli");
    app.allow_extras();  // reported below in this program's own words
    app.add_option("files", options.files);
    app.add_flag("--quiet", options.quiet);
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
        {"--threads", &options.threads}};
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
    if (app.count("--x") == 0 || app.count("--y") == 0) {
        return usageError("both --x and --y are needed");
    }
    options.hasBins = app.count("--bins") > 0;
    options.hasMin = app.count("--min") > 0;
    options.hasMax = app.count("--max") > 0;
    options.hasFormat = app.count("--format") > 0;
    options.hasOutput = app.count("--output") > 0;
    options.batch = app.count("--output-dir") > 0;
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

// What one data set's run tells the user. Alone, every line goes to standard
// error as it comes; in a batch, only what made the data set fail, as one
// line that names it.
class Report {
public:
    Report(ProgressLine& line, const std::string& file, bool batch)
        : m_line(line), m_file(file), m_batch(batch) {}

    void info(const std::string& text) {
        if (!m_batch) {
            m_line.write(text + '\n');
        }
    }
    void error(const std::string& text) {
        if (m_batch) {
            m_errors += (m_errors.empty() ? "" : "; ") + text;
        } else {
            m_line.write("tesselin-cli: " + text + '\n');
        }
    }
    void failure(const Failure& failure) {
        error("Error " + std::to_string(failure.number()) + ": " + failure.description());
    }
    // In a batch, the one line of a data set that failed.
    void close() {
        if (m_batch && !m_errors.empty()) {
            m_line.write("tesselin-cli: " + m_file + ": " + m_errors + '\n');
        }
    }

private:
    ProgressLine& m_line;
    const std::string& m_file;
    bool m_batch;
    std::string m_errors;
};

// The column an option names, as the number text the column check reads:
// its number, or its name in the data set's header; nothing, with a message,
// for an unknown name.
std::optional<std::string> columnText(std::string_view option, const std::string& text,
                                      const ColumnData& data, Report& report) {
    if (strictWholeNumber(text)) {
        return text;
    }
    if (const auto column = columnNamed(text, data.names)) {
        return std::to_string(*column);
    }
    std::string names;
    for (const std::string& name : data.names) {
        if (!name.empty()) {
            names += (names.empty() ? "" : ", ") + name;
        }
    }
    report.error(std::string(option) + ": no column is named '" + text + "'; " +
                 (names.empty() ? "the data set has no column names, so give the column's number"
                                : "the columns are named " + names));
    return std::nullopt;
}

// The analysis run answered from the options, its messages on standard error.
class CommandLineRun final : public AnalysisFrontEnd {
public:
    CommandLineRun(const Options& options, Report& report, ProgressLine& line)
        : m_options(options), m_report(report), m_line(line) {}

    void showSummary(double dataLength, double firstPoint, double lastPoint) override {
        m_report.info("Length of data set is: " + numberText(dataLength) +
                      "\nFirst point is located at: " + numberText(firstPoint) +
                      "\nLast point is located at: " + numberText(lastPoint));
    }
    void message(std::string_view text, std::string_view title) override {
        // The no-data messages end the run; the others are warnings.
        if (title == kNoDataTitle) {
            m_report.error(std::string(text));
        } else {
            m_report.info("tesselin-cli: " + std::string(text));
        }
    }
    std::string answer(Parameter parameter, const Question&,
                       const std::string& defaultText) override {
        switch (parameter) {
            case Parameter::BinNumber:
                return m_options.hasBins ? m_options.bins : defaultText;
            case Parameter::MinPeriod:
                return m_options.hasMin ? m_options.min : defaultText;
            case Parameter::MaxPeriod:
                return m_options.hasMax ? m_options.max : defaultText;
        }
        return defaultText;
    }
    bool refuse(Parameter parameter, std::span<const std::string_view> messages) override {
        constexpr const char* kOption[] = {"--bins", "--min", "--max"};
        for (const std::string_view message : messages) {
            m_report.error(std::string(kOption[static_cast<int>(parameter)]) + ": " +
                           std::string(message));
        }
        return false;  // an option cannot be asked again
    }
    void accept(Parameter parameter, double value) override {
        m_accepted[static_cast<int>(parameter)] = value;
        if (parameter == Parameter::MaxPeriod) {
            m_report.info("Number of Bins: " + numberText(m_accepted[0]) +
                          "\nMinimum Period: " + numberText(m_accepted[1]) +
                          "\nMaximum Period: " + numberText(m_accepted[2]));
        }
    }
    std::vector<BinRow> compute(const BinningWork& work) override {
        Progress* progress = m_line.stage("computing", true);
        return work({.threads = m_options.threadCount, .progress = progress});
    }

private:
    const Options& m_options;
    Report& m_report;
    ProgressLine& m_line;
    double m_accepted[3] = {};
};

// Ctrl-C (or a polite kill) ends the program at once. No results file is
// open then: results are written with these signals held back, so that a
// file is either complete or not begun.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void endAtOnce(int signal) {
    constexpr std::string_view kSaid = "\ntesselin-cli: interrupted\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kSaid.data(), kSaid.size());
    ::_exit(128 + signal);
}

void endAtOnceOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = endAtOnce;
    sigemptyset(&action.sa_mask);
    for (const int signal : kEndingSignals) {
        struct sigaction before {};
        sigaction(signal, nullptr, &before);
        if (before.sa_handler != SIG_IGN) {  // a background job keeps ignoring Ctrl-C
            sigaction(signal, &action, nullptr);
        }
    }
}

class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kEndingSignals) {
            sigaddset(&held, signal);
        }
        pthread_sigmask(SIG_BLOCK, &held, &m_old);
    }
    ~InterruptionsHeldBack() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    InterruptionsHeldBack(const InterruptionsHeldBack&) = delete;
    InterruptionsHeldBack& operator=(const InterruptionsHeldBack&) = delete;

private:
    sigset_t m_old;
};

int writeResults(const std::string& text, const std::optional<std::filesystem::path>& output,
                 Report& report) {
    if (!output) {
        errno = 0;
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            report.error(std::string("the results could not be written to standard output: ") +
                         std::strerror(errno != 0 ? errno : EIO));
            return kOutputFailed;
        }
        return kSuccess;
    }
    try {
        const InterruptionsHeldBack held;
        writeFileAtomically(*output, text);
    } catch (const Failure& failure) {
        report.failure(failure);
        return kOutputFailed;
    }
    return kSuccess;
}

int analyse(const std::string& file, const std::optional<std::filesystem::path>& output,
            const Options& options, Report& report, ProgressLine& line) {
    ColumnData columnData;
    try {
        Progress* reading = line.stage("reading", true);
        columnData = readColumns(
            file, options.hasFormat ? *dataKindNamed(options.format) : DataKind::ByContent,
            options.x, options.y, reading);
    } catch (const Failure& failure) {
        report.failure(failure);
        return kImportFailed;
    }
    line.stage("preparing", false);
    if (columnData.points.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        report.failure(Failure::outOfMemory("Out of memory: " + file + " has more than " +
                                            numberText(std::numeric_limits<int>::max()) +
                                            " points, more than the analysis takes"));
        return kImportFailed;
    }
    const auto x = columnText("--x", options.x, columnData, report);
    const auto y = x ? columnText("--y", options.y, columnData, report) : std::nullopt;
    if (!x || !y) {
        return kBadArguments;
    }
    const int columnCount = static_cast<int>(
        std::min<std::uint64_t>(columnData.columns, std::numeric_limits<int>::max()));
    const auto columns = analysisColumns(*x, *y, columnCount);
    if (!columns) {
        report.error(std::string(kInvalidColumnsText) + " (the data set has columns 0 to " +
                     std::to_string(columnData.columns - 1) + ")");
        return kBadArguments;
    }
    if (columns->x == columns->y) {
        report.error("--x and --y name the same column, " + std::to_string(columns->x));
        return kBadArguments;
    }
    const auto nameOf = [&](int column) {
        const auto k = static_cast<std::size_t>(column);
        return k < columnData.names.size() ? columnData.names[k] : std::string();
    };
    const ResultsSource source{file, columns->x, columns->y, nameOf(columns->x),
                               nameOf(columns->y)};
    const AnalysisData data = analysisDataOf(std::move(columnData.points));
    CommandLineRun frontEnd(options, report, line);
    const AnalysisRun analysis = runAnalysis(data, frontEnd);
    switch (analysis.outcome) {
        case RunOutcome::NoData:
        case RunOutcome::NoLength:
            return kNoData;
        case RunOutcome::Refused:
            return kBadArguments;
        case RunOutcome::Completed:
            break;
    }
    line.endRun();  // before the results, which may go to the same terminal
    if (options.outputFormat == "csv") {
        return writeResults(resultsCsv(analysis), output, report);
    }
    if (options.outputFormat == "json") {
        return writeResults(resultsJson(analysis, data, source), output, report);
    }
    return writeResults(resultsFileText(analysis.results), output, report);
}

int run(const Options& options) {
    ProgressLine line(!options.quiet);
    if (options.batch) {
        std::error_code ec;
        std::filesystem::create_directories(options.outputDir, ec);
        if (ec) {
            std::cerr << "tesselin-cli: --output-dir: " << options.outputDir
                      << " cannot be made: " << ec.message() << '\n';
            return kOutputFailed;
        }
    }
    bool allSucceeded = true;
    int status = kSuccess;
    for (const std::string& file : options.files) {
        Report report(line, file, options.batch);
        line.beginRun(std::filesystem::path(file).filename().string());
        const std::optional<std::filesystem::path> output =
            options.batch       ? std::optional(resultsPathFor(file, options))
            : options.hasOutput ? std::optional<std::filesystem::path>(options.output)
                                : std::nullopt;
        try {
            status = analyse(file, output, options, report, line);
        } catch (const Failure& failure) {
            report.failure(failure);
            status = kImportFailed;
        } catch (const std::bad_alloc&) {
            report.failure(Failure::outOfMemory("Out of memory"));
            status = kImportFailed;
        }
        line.endRun();
        report.close();
        if (options.batch && status != kSuccess && output) {
            // No results of an earlier run may stand for this data set.
            std::error_code ignored;
            std::filesystem::remove(*output, ignored);
        }
        allSucceeded = allSucceeded && status == kSuccess;
    }
    if (options.batch) {
        return allSucceeded ? kSuccess : kSomeFilesFailed;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's workbook reader: see readWorkbookIsolated.
    if (argc == 6 && std::string_view(argv[1]) == "--read-columns") {
        const auto kind = spreadsheetKindNamed(argv[3]);
        return kind ? writeColumnsForParent(argv[2], *kind, argv[4], argv[5]) : kBadArguments;
    }
    if (argc == 6 && std::string_view(argv[1]) == "--read-workbook") {
        const auto kind = spreadsheetKindNamed(argv[3]);
        std::uint32_t rows = 0;
        std::size_t bytes = 0;
        const std::string_view rowsText = argv[4];
        const std::string_view bytesText = argv[5];
        const bool numbers =
            std::from_chars(rowsText.begin(), rowsText.end(), rows).ptr == rowsText.end() &&
            std::from_chars(bytesText.begin(), bytesText.end(), bytes).ptr == bytesText.end();
        return kind && numbers ? writeWorkbookForParent(argv[2], *kind, rows, bytes)
                               : kBadArguments;
    }
    Options options;
    if (const auto done = parse(argc, argv, options)) {
        return *done;
    }
    endAtOnceOnInterrupt();
    return run(options);
}
