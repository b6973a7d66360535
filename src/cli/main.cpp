// tesselin-cli: the lag binning analysis of one data set, without windows.
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/column_choice.h"
#include "analysis/extraction.h"
#include "analysis/lag_binning.h"
#include "analysis/parameters.h"
#include "analysis/results_file.h"
#include "analysis/results_table.h"
#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "import/blank_rows.h"
#include "import/isolated_reader.h"
#include "import/text_import.h"
#include "import/workbook_import.h"

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
    std::optional<std::string> x, y, bins, min, max, format, output;
};

int usageError(std::string_view message) {
    std::cerr << "tesselin-cli: " << message << "\nTry 'tesselin-cli --help'.\n";
    return kBadArguments;
}

std::optional<int> parse(int argc, char** argv, Options& options) {
    const std::map<std::string_view, std::optional<std::string> Options::*> valued = {
        {"--x", &Options::x},          {"--y", &Options::y},     {"--bins", &Options::bins},
        {"--min", &Options::min},      {"--max", &Options::max}, {"--format", &Options::format},
        {"--output", &Options::output}};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return kSuccess;
        }
        if (const auto found = valued.find(arg); found != valued.end()) {
            if (i + 1 >= argc) {
                return usageError(std::string(arg) + " needs a value");
            }
            options.*(found->second) = argv[++i];
        } else if (arg.starts_with("--")) {
            return usageError("unknown option " + std::string(arg));
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            return usageError("only one data file can be analysed at a time");
        }
    }
    if (options.file.empty()) {
        return usageError("no data file given");
    }
    if (!options.x || !options.y) {
        return usageError("both --x and --y are needed");
    }
    if (options.format && *options.format != "text" && *options.format != "xls") {
        return usageError("--format is text or xls");
    }
    return std::nullopt;
}

bool isWorkbook(const Options& options) {
    if (options.format) {
        return *options.format == "xls";
    }
    std::string extension = std::filesystem::path(options.file).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".xls";
}

// Reads an answer like the input box does, printing the messages it brings.
bool accept(std::string_view name, const std::vector<std::string_view>& messages) {
    for (const std::string_view message : messages) {
        std::cerr << "tesselin-cli: " << name << ": " << message << '\n';
    }
    return messages.empty();
}

int run(const Options& options) {
    DataGrid grid;
    try {
        if (isWorkbook(options)) {
            FillGridFromTable(grid, readWorkbookIsolated(options.file));
        } else {
            LoadTextFile(grid, options.file);
        }
        RemoveBlankRows(grid);
    } catch (const Failure& failure) {
        std::cerr << "tesselin-cli: Error " << failure.number() << ": " << failure.description()
                  << '\n';
        return kImportFailed;
    }

    const auto columns = analysisColumns(*options.x, *options.y, grid.Cols());
    if (!columns) {
        std::cerr << "tesselin-cli: " << kInvalidColumnsText << " (the data set has columns 0 to "
                  << grid.Cols() - 1 << ")\n";
        return kBadArguments;
    }
    const AnalysisData data = extractDataPoints(grid, columns->x, columns->y);
    if (data.PointCount() == 0) {
        std::cerr << "tesselin-cli: " << kNoDataText << '\n';
        return kNoData;
    }
    const double dataLength = data.DataLength();
    std::cerr << "Length of data set is: " << numberText(dataLength) << '\n'
              << "First point is located at: " << numberText(data.FirstPoint) << '\n'
              << "Last point is located at: " << numberText(data.LastPoint) << '\n';
    if (dataLength == 0) {
        std::cerr << "tesselin-cli: " << kNoLengthText << '\n';
        return kNoData;
    }

    const double binNumber =
        leadingNumberValue(options.bins.value_or(std::string(kDefaultBinNumber)));
    const double minPeriod =
        leadingNumberValue(options.min.value_or(std::string(kDefaultMinPeriod)));
    const double maxPeriod = leadingNumberValue(options.max.value_or(defaultMaxPeriod(dataLength)));
    if (!accept("--bins", binNumberMessages(binNumber)) ||
        !accept("--min", minPeriodMessages(minPeriod, dataLength)) ||
        !accept("--max", maxPeriodMessages(maxPeriod, minPeriod, dataLength))) {
        return kBadArguments;
    }
    std::cerr << "Number of Bins: " << numberText(binNumber) << '\n'
              << "Minimum Period: " << numberText(minPeriod) << '\n'
              << "Maximum Period: " << numberText(maxPeriod) << '\n';

    for (const RepeatedValue& repeated : repeatedValues(data.DataPoints)) {
        std::cerr << repeatedValueMessage(repeated.x);
        if (repeated.times > 1) {
            std::cerr << " (" << repeated.times << " times)";
        }
        std::cerr << '\n';
    }
    const std::string text = resultsFileText(buildResultsTable(
        computeBins(data.DataPoints, static_cast<int>(binNumber), minPeriod, maxPeriod)));

    if (!options.output) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kSuccess : kOutputFailed;
    }
    try {
        writeFileAtomically(*options.output, text);
    } catch (const Failure& failure) {
        std::cerr << "tesselin-cli: Error " << failure.number() << ": " << failure.description()
                  << '\n';
        return kOutputFailed;
    }
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's workbook reader: see readWorkbookIsolated.
    if (argc == 3 && std::string_view(argv[1]) == "--read-workbook") {
        return writeWorkbookForParent(argv[2]);
    }
    Options options;
    if (const auto done = parse(argc, argv, options)) {
        return *done;
    }
    try {
        return run(options);
    } catch (const Failure& failure) {
        std::cerr << "tesselin-cli: Error " << failure.number() << ": " << failure.description()
                  << '\n';
    } catch (const std::bad_alloc&) {
        std::cerr << "tesselin-cli: Error 7: Out of memory\n";
    }
    return kImportFailed;
}
