// tesselin-cli: the lag binning analysis of one data set, without windows.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "analysis/analysis_run.h"
#include "analysis/column_choice.h"
#include "analysis/extraction.h"
#include "analysis/results_export.h"
#include "analysis/results_file.h"
#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "import/column_names.h"
#include "import/data_set.h"
#include "import/spreadsheet.h"
#include "import/workbook_helper.h"

namespace {

using namespace tesselin;

enum ExitCode : int {
    kSuccess = 0,
    kOutputFailed = 1,
    kBadArguments = 2,
    kNoData = 3,
    kImportFailed = 4,
};

constexpr std::string_view kUsage = R"(Usage: tesselin-cli FILE --x COLUMN --y COLUMN [options]

Runs the lag binning analysis of Tesselin on one data set and writes the
results file, byte for byte as Tesselin's File > Save writes it.

  FILE              the data set: whitespace-separated text, separated values
                    (.csv, .tsv), or the first worksheet of a workbook (.xls,
                    .xlsx, .ods)
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
  --output-format F text (the results file of Tesselin, the default), csv or
                    json (the same rows at full precision; json also says what
                    produced them)
  --help            show this text

The answers are read and checked as Tesselin's questions read them; option
values must be numbers. The data summary and every message go to standard
error.

Exit status: 0 success; 1 the results could not be written; 2 bad arguments,
columns or parameters; 3 no data to analyse; 4 the file could not be imported.
)";

struct Options {
    std::string file;
    std::string x, y, bins, min, max, format, output, outputFormat = "text";
    bool hasBins = false, hasMin = false, hasMax = false, hasFormat = false, hasOutput = false;
};

void printFailure(const Failure& failure) {
    std::cerr << "tesselin-cli: Error " << failure.number() << ": " << failure.description()
              << '\n';
}

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

// Reads the command line into options; gives an exit status when the program
// should end at once (help, or a mistake in the arguments).
std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app("tesselin-cli");
    app.allow_extras();  // reported below in this program's own words
    app.add_option("file", options.file);
    const std::pair<const char*, std::string*> valued[] = {
        {"--x", &options.x},           {"--y", &options.y},
        {"--bins", &options.bins},     {"--min", &options.min},
        {"--max", &options.max},       {"--format", &options.format},
        {"--output", &options.output}, {"--output-format", &options.outputFormat}};
    for (const auto& [name, value] : valued) {
        app.add_option(name, *value);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << kUsage;
        return kSuccess;
    } catch (const CLI::ArgumentMismatch& error) {
        // CLI11 names the option first: "--x: 1 required TEXT missing".
        const std::string_view what = error.what();
        return usageError(std::string(what.substr(0, what.find(':'))) + " needs a value");
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    if (const std::vector<std::string> extras = app.remaining(); !extras.empty()) {
        return usageError(extras.front().starts_with("-")
                              ? "unknown option " + extras.front()
                              : "only one data file can be analysed at a time");
    }
    if (options.file.empty()) {
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
    if (options.hasFormat && !dataKindNamed(options.format)) {
        return usageError("--format is text, csv, xls, xlsx or ods");
    }
    if (options.outputFormat != "text" && options.outputFormat != "csv" &&
        options.outputFormat != "json") {
        return usageError("--output-format is text, csv or json");
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
    return std::nullopt;
}

// The column an option names: its number, or its name in the data set's
// header (as the number text); nothing, with a message, for an unknown name.
std::optional<std::string> columnNamed(std::string_view option, const std::string& text,
                                       const DataGrid& grid) {
    if (strictWholeNumber(text)) {
        return text;
    }
    std::string names;
    for (int c = 0; c < grid.Cols(); ++c) {
        const std::string_view name = nameInCaption(c, grid.TextMatrix(0, c));
        if (name == text) {
            return std::to_string(c);
        }
        if (!name.empty()) {
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
    }
    std::cerr << "tesselin-cli: " << option << ": no column is named '" << text << "'; "
              << (names.empty() ? "the data set has no column names, so give the column's "
                                  "number"
                                : "the columns are named " + names)
              << '\n';
    return std::nullopt;
}

// The analysis run answered from the options, its messages on standard error.
class CommandLineRun final : public AnalysisFrontEnd {
public:
    explicit CommandLineRun(const Options& options) : m_options(options) {}

    void showSummary(double dataLength, double firstPoint, double lastPoint) override {
        std::cerr << "Length of data set is: " << numberText(dataLength) << '\n'
                  << "First point is located at: " << numberText(firstPoint) << '\n'
                  << "Last point is located at: " << numberText(lastPoint) << '\n';
    }
    void message(std::string_view text, std::string_view) override {
        std::cerr << "tesselin-cli: " << text << '\n';
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
            std::cerr << "tesselin-cli: " << kOption[static_cast<int>(parameter)] << ": " << message
                      << '\n';
        }
        return false;  // an option cannot be asked again
    }
    void accept(Parameter parameter, double value) override {
        m_accepted[static_cast<int>(parameter)] = value;
        if (parameter == Parameter::MaxPeriod) {
            std::cerr << "Number of Bins: " << numberText(m_accepted[0]) << '\n'
                      << "Minimum Period: " << numberText(m_accepted[1]) << '\n'
                      << "Maximum Period: " << numberText(m_accepted[2]) << '\n';
        }
    }

private:
    const Options& m_options;
    double m_accepted[3] = {};
};

int writeResults(const std::string& text, const Options& options) {
    if (!options.hasOutput) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kSuccess : kOutputFailed;
    }
    try {
        writeFileAtomically(options.output, text);
    } catch (const Failure& failure) {
        printFailure(failure);
        return kOutputFailed;
    }
    return kSuccess;
}

int run(const Options& options) {
    DataGrid grid;
    try {
        loadDataSet(grid, options.file,
                    options.hasFormat ? *dataKindNamed(options.format) : DataKind::ByContent);
    } catch (const Failure& failure) {
        printFailure(failure);
        return kImportFailed;
    }
    const auto x = columnNamed("--x", options.x, grid);
    const auto y = x ? columnNamed("--y", options.y, grid) : std::nullopt;
    if (!x || !y) {
        return kBadArguments;
    }
    const auto columns = analysisColumns(*x, *y, grid.Cols());
    if (!columns) {
        std::cerr << "tesselin-cli: " << kInvalidColumnsText << " (the data set has columns 0 to "
                  << grid.Cols() - 1 << ")\n";
        return kBadArguments;
    }
    if (columns->x == columns->y) {
        std::cerr << "tesselin-cli: --x and --y name the same column, " << columns->x << '\n';
        return kBadArguments;
    }
    CommandLineRun frontEnd(options);
    const AnalysisData data = extractDataPoints(grid, columns->x, columns->y);
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
    if (options.outputFormat == "csv") {
        return writeResults(resultsCsv(analysis), options);
    }
    if (options.outputFormat == "json") {
        const ResultsSource source{
            options.file, columns->x, columns->y,
            std::string(nameInCaption(columns->x, grid.TextMatrix(0, columns->x))),
            std::string(nameInCaption(columns->y, grid.TextMatrix(0, columns->y)))};
        return writeResults(resultsJson(analysis, data, source), options);
    }
    return writeResults(resultsFileText(analysis.results), options);
}

}  // namespace

int main(int argc, char** argv) {
    // The program's workbook reader: see readWorkbookIsolated.
    if (argc == 6 && std::string_view(argv[1]) == "--read-workbook") {
        const auto kind = spreadsheetKindNamed(argv[3]);
        return kind ? writeWorkbookForParent(argv[2], *kind,
                                             static_cast<std::uint32_t>(std::stoul(argv[4])),
                                             static_cast<std::size_t>(std::stoull(argv[5])))
                    : kBadArguments;
    }
    Options options;
    if (const auto done = parse(argc, argv, options)) {
        return *done;
    }
    try {
        return run(options);
    } catch (const Failure& failure) {
        printFailure(failure);
    } catch (const std::bad_alloc&) {
        printFailure(Failure::outOfMemory("Out of memory"));
    }
    return kImportFailed;
}
