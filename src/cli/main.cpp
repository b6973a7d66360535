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
#include "analysis/results_file.h"
#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "import/data_set.h"
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

constexpr std::string_view kUsage = R"(Usage: tesselin-cli FILE --x N --y N [options]

Runs the lag binning analysis of Tesselin on one data set and writes the
results file, byte for byte as Tesselin's File > Save writes it.

  FILE              a text file of whitespace-separated columns, or an .xls
                    workbook (its first worksheet)
  --x N, --y N      the X and Y columns, counted from 0 ("Col. 0", ...)
  --bins N          the number of bins (default 25)
  --min P           the minimum period (default 0)
  --max P           the maximum period (default: the length of the data set)
  --format F        text or xls (default: xls for a .xls file, else text)
  --output OUT      write the results to OUT instead of standard output;
                    an existing OUT is replaced only once the new file is
                    complete
  --help            show this text

The answers are read and checked as Tesselin's questions read them. The data
summary and every message go to standard error.

Exit status: 0 success; 1 the results could not be written; 2 bad arguments,
columns or parameters; 3 no data to analyse; 4 the file could not be imported.
)";

struct Options {
    std::string file;
    std::string x, y, bins, min, max, format, output;
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

// Reads the command line into options; gives an exit status when the program
// should end at once (help, or a mistake in the arguments).
std::optional<int> parse(int argc, char** argv, Options& options) {
    CLI::App app("tesselin-cli");
    app.allow_extras();  // reported below in this program's own words
    app.add_option("file", options.file);
    const std::pair<const char*, std::string*> valued[] = {
        {"--x", &options.x},          {"--y", &options.y},     {"--bins", &options.bins},
        {"--min", &options.min},      {"--max", &options.max}, {"--format", &options.format},
        {"--output", &options.output}};
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
    if (options.hasFormat && options.format != "text" && options.format != "xls") {
        return usageError("--format is text or xls");
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

DataKind dataKind(const Options& options) {
    if (options.hasFormat) {
        return options.format == "xls" ? DataKind::Workbook : DataKind::Text;
    }
    std::string extension = std::filesystem::path(options.file).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".xls" ? DataKind::Workbook : DataKind::Text;
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
        loadDataSet(grid, options.file, dataKind(options));
    } catch (const Failure& failure) {
        printFailure(failure);
        return kImportFailed;
    }
    const auto columns = analysisColumns(options.x, options.y, grid.Cols());
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
    const AnalysisRun analysis =
        runAnalysis(extractDataPoints(grid, columns->x, columns->y), frontEnd);
    switch (analysis.outcome) {
        case RunOutcome::NoData:
        case RunOutcome::NoLength:
            return kNoData;
        case RunOutcome::Refused:
            return kBadArguments;
        case RunOutcome::Completed:
            break;
    }
    return writeResults(resultsFileText(analysis.results), options);
}

}  // namespace

int main(int argc, char** argv) {
    // The program's workbook reader: see readWorkbookIsolated.
    if (argc == 5 && std::string_view(argv[1]) == "--read-workbook") {
        return writeWorkbookForParent(argv[2], static_cast<std::uint32_t>(std::stoul(argv[3])),
                                      static_cast<std::size_t>(std::stoull(argv[4])));
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
