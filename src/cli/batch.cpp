#include "batch.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <variant>

#include "analysis/analysis_run.h"
#include "analysis/column_choice.h"
#include "analysis/extraction.h"
#include "analysis/results_export.h"
#include "analysis/results_file.h"
#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/Progress.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "common/threads.h"
#include "import/data_set.h"
#include "import/text/column_names.h"
#include "progress_line.h"
#include "terminal_text.h"

namespace tesselin::cli {
namespace {

// What one data set's run tells the user. Alone, every line goes to standard
// error as it comes; in a batch, only what made the data set fail, as one
// line that names it. Every line is one line: what it quotes of a file
// (names, cells, failures) has its control characters escaped.
class Report {
public:
    // `collected`, when given, receives a batch's failure line instead of
    // standard error (data sets analysed side by side print in order).
    Report(ProgressLine& line, const std::string& file, bool batch,
           std::string* collected = nullptr)
        : m_line(line), m_file(file), m_batch(batch), m_collected(collected) {}

    void info(const std::string& text) {
        if (!m_batch) {
            m_line.write(terminalSafe(text) + '\n');
        }
    }
    void error(const std::string& text) {
        if (m_batch) {
            m_errors += (m_errors.empty() ? "" : "; ") + terminalSafe(text);
        } else {
            m_line.write("tesselin-cli: " + terminalSafe(text) + '\n');
        }
    }
    void failure(const Failure& failure) {
        error("Error " + std::to_string(failure.number()) + ": " + failure.description());
    }
    // In a batch, the one line of a data set that failed; `kept` names the
    // results file of an earlier run that the failure left as it was.
    void close(const std::optional<std::filesystem::path>& kept = std::nullopt) {
        if (m_batch && !m_errors.empty()) {
            const std::string keptText =
                kept ? "; " + terminalSafe(kept->string()) + " of an earlier run is left as it was"
                     : std::string();
            const std::string line =
                "tesselin-cli: " + terminalSafe(m_file) + ": " + m_errors + keptText + '\n';
            if (m_collected != nullptr) {
                *m_collected = line;
            } else {
                m_line.write(line);
            }
        }
    }

private:
    ProgressLine& m_line;
    const std::string& m_file;
    bool m_batch;
    std::string* m_collected;
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
    // `columns` names the two columns for the messages: "Col. 0 JD (--x) and
    // Col. 1 mag (--y)".
    CommandLineRun(const Options& options, Report& report, ProgressLine& line, std::string columns)
        : m_options(options), m_report(report), m_line(line), m_columns(std::move(columns)) {}

    void showSummary(double dataLength, double firstPoint, double lastPoint) override {
        m_report.info("Length of data set is: " + numberText(dataLength));
        m_report.info("First point is located at: " + numberText(firstPoint));
        m_report.info("Last point is located at: " + numberText(lastPoint));
    }
    void message(std::string_view text, std::string_view) override {
        m_report.info("tesselin-cli: " + m_series + std::string(text));
    }
    void readAsZero(const SkippedCells& cells) override {
        m_report.info("tesselin-cli: " + m_series + readAsZeroMessage(cells));
    }
    // The files of an ensemble, which name the series of its messages.
    void nameSeries(std::vector<std::string> files) { m_files = std::move(files); }
    void seriesMessages(std::size_t index) override {
        m_series = index < m_files.size() ? m_files[index] + ": " : std::string();
    }
    void stop(std::string_view text, std::string_view) override {
        // The window's words send the user back to its main window; here the
        // columns are named as they were given.
        m_report.error(text == kNoDataText
                           ? "nothing to analyse: no row has both " + m_columns + " filled"
                           : std::string(text));
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
            m_report.info("Number of Bins: " + numberText(m_accepted[0]));
            m_report.info("Minimum Period: " + numberText(m_accepted[1]));
            m_report.info("Maximum Period: " + numberText(m_accepted[2]));
        }
    }
    void compute(Stage stage, const BinningWork& work) override {
        Progress* progress = m_line.stage(stage == Stage::Bins ? "computing" : "resampling", true);
        work({.threads = m_options.threadCount, .progress = progress});
    }

private:
    const Options& m_options;
    Report& m_report;
    ProgressLine& m_line;
    std::string m_columns;
    double m_accepted[3] = {};
    std::vector<std::string> m_files;
    std::string m_series;  // "FILE: " before the messages of one series of an ensemble
};

// Ctrl-C (or a polite kill) ends the program at once. No results file is
// left half written: a thread writes results with these signals held back,
// and the ending waits for the writes under way (data sets analysed side by
// side write on several threads), so that a file is either complete or not
// begun.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::atomic<int> resultsBeingWritten{0};
std::atomic<bool> ending{false};

extern "C" void endAtOnce(int signal) {
    ending = true;
    while (resultsBeingWritten > 0) {
        const timespec pause{0, 1'000'000};
        ::nanosleep(&pause, nullptr);
    }
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

sigset_t endingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kEndingSignals) {
        sigaddset(&signals, signal);
    }
    return signals;
}

// Holds the ending signals back on this thread while it lives.
class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() {
        const sigset_t held = endingSignals();
        pthread_sigmask(SIG_BLOCK, &held, &m_old);
    }
    ~InterruptionsHeldBack() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    InterruptionsHeldBack(const InterruptionsHeldBack&) = delete;
    InterruptionsHeldBack& operator=(const InterruptionsHeldBack&) = delete;

private:
    sigset_t m_old;
};

// A write of results that an ending waits for; none begins once the program
// is ending.
class ResultsWrite {
public:
    ResultsWrite() {
        ++resultsBeingWritten;
        if (ending) {
            --resultsBeingWritten;
            m_allowed = false;
        }
    }
    ~ResultsWrite() {
        if (m_allowed) {
            --resultsBeingWritten;
        }
    }
    ResultsWrite(const ResultsWrite&) = delete;
    ResultsWrite& operator=(const ResultsWrite&) = delete;
    bool allowed() const noexcept { return m_allowed; }

private:
    const InterruptionsHeldBack m_held;
    bool m_allowed = true;
};

// Writes the results to standard output or to the file; `makeFolder` makes
// the file's folder first (the mirrored folders under --output-dir).
int writeResults(const std::string& text, const std::optional<std::filesystem::path>& output,
                 Report& report, bool makeFolder = false) {
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
        if (std::error_code ec; makeFolder && output->has_parent_path() &&
                                !std::filesystem::is_directory(output->parent_path(), ec)) {
            std::filesystem::create_directories(output->parent_path(), ec);
            if (ec) {
                throw Failure::fromErrno(ec.value(), output->parent_path(), FileAction::Write);
            }
        }
        const ResultsWrite writing;
        if (!writing.allowed()) {
            return kOutputFailed;  // ending: the signal's handler ends the program
        }
        // A batch flushes its results once, at its end.
        writeFileAtomically(*output, text, makeFolder ? Flush::Later : Flush::Now);
    } catch (const Failure& failure) {
        report.failure(failure);
        return kOutputFailed;
    }
    return kSuccess;
}

// A data set read and its columns resolved, ready for the analysis.
struct Series {
    AnalysisData data;
    ResultsSource source;
    std::string columns;  // "Col. 0 JD (--x) and Col. 1 mag (--y)", for messages
};

// Reads a data set's two columns; an exit status, with its messages, when it
// cannot be read or the columns are not there.
std::variant<Series, int> readSeries(const std::string& file, const Options& options,
                                     Report& report, ProgressLine& line) {
    if (std::error_code ec; std::filesystem::is_regular_file(file, ec) &&
                            std::filesystem::file_size(file, ec) == 0 && !ec) {
        report.error("the data file is empty: there is nothing to analyse");
        return kNoData;
    }
    ColumnData columnData;
    try {
        Progress* reading = line.stage("reading", true);
        columnData = readColumns(
            file, options.hasFormat ? *dataKindNamed(options.format) : DataKind::ByContent,
            options.x, options.y, reading, options.dateOrder);
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
    Series series;
    series.source = {file, columns->x, columns->y, nameOf(columns->x), nameOf(columns->y)};
    series.data = analysisDataOf(std::move(columnData.points));
    series.data.rowsLeftOut = std::move(columnData.rowsLeftOut);
    series.data.cellsReadAsZero = std::move(columnData.cellsReadAsZero);
    const auto described = [&](int column, const char* option) {
        return namedCaption(column, columnData.names) + " (" + option + ")";
    };
    series.columns = described(columns->x, "--x") + " and " + described(columns->y, "--y");
    return series;
}

// The exit status of a run that did not complete.
int statusOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::NoData:
        case RunOutcome::NoLength:
            return kNoData;
        case RunOutcome::OutOfRange:
        case RunOutcome::Refused:
            return kBadArguments;
        case RunOutcome::Completed:
            break;
    }
    return kSuccess;
}

int analyse(const std::string& file, const std::optional<std::filesystem::path>& output,
            const Options& options, Report& report, ProgressLine& line) {
    auto read = readSeries(file, options, report, line);
    if (const int* status = std::get_if<int>(&read)) {
        return *status;
    }
    const Series& series = std::get<Series>(read);
    const AnalysisData& data = series.data;
    const ResultsSource& source = series.source;
    CommandLineRun frontEnd(options, report, line, series.columns);
    const AnalysisRun analysis = runAnalysis(data, frontEnd, options.settings);
    if (analysis.outcome != RunOutcome::Completed) {
        return statusOf(analysis.outcome);
    }
    line.endRun();  // before the results, which may go to the same terminal
    if (options.outputFormat == "csv") {
        return writeResults(resultsCsv(analysis), output, report, options.batch);
    }
    if (options.outputFormat == "json") {
        return writeResults(resultsJson(analysis, data, source), output, report, options.batch);
    }
    return writeResults(resultsFileText(analysis.results), output, report, options.batch);
}
// A cell as a CSV field: quoted when it holds a separator, a quote or a line
// break (or starts or ends with a space), its quotes doubled.
void appendCsvField(std::string& out, std::string_view cell) {
    const bool quoted = cell.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!cell.empty() && (cell.front() == ' ' || cell.back() == ' '));
    if (!quoted) {
        out.append(cell);
        return;
    }
    out += '"';
    for (const char c : cell) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

std::optional<std::filesystem::path> outputOf(const Options& options) {
    return options.hasOutput ? std::optional<std::filesystem::path>(options.output) : std::nullopt;
}

}  // namespace

int printTable(const Options& options) {
    endAtOnceOnInterrupt();
    ProgressLine line(false);
    const std::string& file = options.files.front();
    Report report(line, file, false);
    std::string text;
    try {
        DataGrid grid;
        loadDataSet(grid, file,
                    options.hasFormat ? *dataKindNamed(options.format) : DataKind::ByContent,
                    {.mostRows = kWithoutWindowLimit, .dateOrder = options.dateOrder});
        for (int row = 0; row < grid.Rows(); ++row) {
            for (int col = 0; col < grid.Cols(); ++col) {
                if (col > 0) {
                    text += ',';
                }
                appendCsvField(text, grid.TextMatrix(row, col));
            }
            text += '\n';
        }
    } catch (const Failure& failure) {
        report.failure(failure);
        return kImportFailed;
    } catch (const std::bad_alloc&) {
        report.failure(Failure::outOfMemory("Out of memory: " + file + " is too large to show"));
        return kImportFailed;
    }
    return writeResults(text, outputOf(options), report);
}

namespace {

// Runs `work` for one data set; whatever fails inside it fails it alone,
// with its messages in the report.
template <typename Work>
int guarded(const std::string& file, Report& report, Work&& work) {
    try {
        return work();
    } catch (const Failure& failure) {
        report.failure(failure);
    } catch (const std::bad_alloc&) {
        report.failure(Failure::outOfMemory("Out of memory: " + file +
                                            " needs more memory than the system gives"));
    } catch (const std::exception& error) {
        report.error(std::string("the analysis failed: ") + error.what());
    }
    return kImportFailed;
}

// Analyses one data set and writes its results; its failure line goes to
// `collected` when one is given. Returns the exit status of the data set.
int analyseOne(const std::string& file, const Options& options, ProgressLine& line,
               std::string* collected = nullptr) {
    Report report(line, file, options.batch, collected);
    line.beginRun(terminalSafe(std::filesystem::path(file).filename().string()));
    const std::optional<std::filesystem::path> output =
        options.batch       ? std::optional(resultsPathFor(file, options))
        : options.hasOutput ? std::optional<std::filesystem::path>(options.output)
                            : std::nullopt;
    // Whatever fails inside one data set fails it alone: the batch goes on.
    const int status =
        guarded(file, report, [&] { return analyse(file, output, options, report, line); });
    line.endRun();
    // A data set that fails keeps whatever its results file held.
    std::error_code ec;
    const bool kept =
        options.batch && status != kSuccess && output && std::filesystem::exists(*output, ec);
    report.close(kept ? output : std::nullopt);
    return status;
}

// --combine: the series of all the files as one ensemble, written once. A
// series that cannot be read fails the whole run unless --skip-failed
// leaves it out; either way each failure has its line.
int analyseEnsemble(const Options& options, ProgressLine& line) {
    std::vector<Series> members;
    std::vector<std::string> skipped;
    for (const std::string& file : options.files) {
        std::string failureLine;
        Report report(line, file, true, &failureLine);
        line.beginRun(terminalSafe(std::filesystem::path(file).filename().string()));
        const int status = guarded(file, report, [&] {
            auto read = readSeries(file, options, report, line);
            if (const int* failed = std::get_if<int>(&read)) {
                return *failed;
            }
            Series& series = std::get<Series>(read);
            if (series.data.PointCount() == 0) {
                report.error("nothing to analyse: no row has both " + series.columns + " filled");
                return static_cast<int>(kNoData);
            }
            if (!std::isfinite(series.data.DataLength())) {
                report.error(std::string(kLengthOutOfRangeText));
                return static_cast<int>(kBadArguments);
            }
            members.push_back(std::move(series));
            return static_cast<int>(kSuccess);
        });
        line.endRun();
        report.close();
        if (status != kSuccess) {
            skipped.push_back(file);
            std::cerr << failureLine;
        }
    }
    if (!skipped.empty() && !options.skipFailed) {
        std::cerr << "tesselin-cli: --combine: " << skipped.size() << " of " << options.files.size()
                  << " series failed, so no results were written (--skip-failed leaves them "
                     "out)\n";
        return kSomeFilesFailed;
    }
    for (const std::string& file : skipped) {
        std::cerr << "tesselin-cli: --combine: " << terminalSafe(file)
                  << " is left out of the ensemble (--skip-failed)\n";
    }
    if (members.empty()) {
        std::cerr << "tesselin-cli: --combine: no series is left to analyse\n";
        return kSomeFilesFailed;
    }
    const std::string name = "ensemble of " + std::to_string(members.size()) + " series";
    Report report(line, name, false);
    line.beginRun(name);
    std::vector<const AnalysisData*> series;
    std::vector<EnsembleMember> described;
    std::size_t points = 0;
    for (const Series& member : members) {
        series.push_back(&member.data);
        described.push_back(
            {member.source, member.data.DataPoints.size(), member.data.DataLength()});
        points += member.data.DataPoints.size();
    }
    report.info("Series: " + std::to_string(members.size()) + " with " + std::to_string(points) +
                " points in all; the summary is that of the longest, " +
                members[static_cast<std::size_t>(
                            std::ranges::max_element(described, {}, &EnsembleMember::dataLength) -
                            described.begin())]
                    .source.file);
    CommandLineRun frontEnd(options, report, line, members.front().columns);
    std::vector<std::string> files;
    for (const Series& member : members) {
        files.push_back(member.source.file);
    }
    frontEnd.nameSeries(std::move(files));
    return guarded(name, report, [&] {
        const AnalysisRun analysis = runAnalysis(series, frontEnd, options.settings);
        if (analysis.outcome != RunOutcome::Completed) {
            return statusOf(analysis.outcome);
        }
        line.endRun();
        const std::string text = options.outputFormat == "csv" ? resultsCsv(analysis)
                                 : options.outputFormat == "json"
                                     ? ensembleJson(analysis, described, skipped)
                                     : resultsFileText(analysis.results);
        return writeResults(text, outputOf(options), report);
    });
}

// How many data sets of a batch are analysed side by side, each by one
// thread: for many small series that beats threads within each. A batch
// with a large file (more than 32 MB) goes one data set at a time, so that
// two large ones never need their memory at once.
std::size_t sideBySide(const Options& options) {
    const unsigned threads = options.threadCount != 0
                                 ? options.threadCount
                                 : std::max(1u, std::thread::hardware_concurrency());
    if (!options.batch || threads < 2 || options.files.size() < 2) {
        return 1;
    }
    constexpr std::uintmax_t kLarge = std::uintmax_t{32} << 20;
    for (const std::string& file : options.files) {
        std::error_code ec;
        if (const auto size = std::filesystem::file_size(file, ec); !ec && size > kLarge) {
            return 1;
        }
    }
    return std::min<std::size_t>(threads, options.files.size());
}

// The data sets of a batch on `workers` threads; their failure lines are
// printed in the order of the files. Returns each data set's exit status.
std::vector<int> analyseSideBySide(const Options& options, std::size_t workers) {
    const std::size_t count = options.files.size();
    Options single = options;
    single.threadCount = 1;
    std::vector<int> statuses(count, kSuccess);
    std::vector<std::string> lines(count);
    std::vector<bool> done(count, false);
    std::size_t printed = 0;
    std::mutex printing;
    std::atomic<std::size_t> next{0};
    const auto work = [&](std::size_t) {
        ProgressLine quiet(false);
        for (std::size_t i = next++; i < count; i = next++) {
            statuses[i] = analyseOne(options.files[i], single, quiet, &lines[i]);
            const std::lock_guard lock(printing);
            done[i] = true;
            for (; printed < count && done[printed]; ++printed) {
                std::cerr << lines[printed] << std::flush;
            }
        }
    };
    {
        // The workers leave the ending signals to this thread.
        std::vector<std::jthread> threads;
        {
            const InterruptionsHeldBack held;
            for (std::size_t t = 1; t < workers && startThread(threads, work, t); ++t) {
            }
        }
        work(0);
    }
    return statuses;
}

}  // namespace

int run(const Options& options) {
    endAtOnceOnInterrupt();
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
    if (options.combine) {
        return analyseEnsemble(options, line);
    }
    std::vector<int> statuses;
    if (const std::size_t workers = sideBySide(options); workers > 1) {
        statuses = analyseSideBySide(options, workers);
    } else {
        for (const std::string& file : options.files) {
            statuses.push_back(analyseOne(file, options, line));
        }
    }
    const int status = statuses.back();
    const bool allSucceeded =
        std::all_of(statuses.begin(), statuses.end(), [](int s) { return s == kSuccess; });
    const bool onlyBadArguments =
        std::all_of(statuses.begin(), statuses.end(), [](int s) { return s == kBadArguments; });
    if (options.batch && !flushFileSystem(options.outputDir)) {
        std::cerr << "tesselin-cli: the results in " << terminalSafe(options.outputDir)
                  << " could not be flushed to disk\n";
        return kOutputFailed;
    }
    if (options.batch) {
        // Columns that no data set has are a mistake in the arguments.
        return allSucceeded ? kSuccess : onlyBadArguments ? kBadArguments : kSomeFilesFailed;
    }
    return status;
}

}  // namespace tesselin::cli
