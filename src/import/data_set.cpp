#include "import/data_set.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <istream>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/Progress.h"
#include "common/file_access.h"
#include "import/helper/isolated_reader.h"
#include "import/sheet.h"
#include "import/signatures.h"
#include "import/text/blank_rows.h"
#include "import/text/column_names.h"
#include "import/text/separated_values.h"
#include "import/text/text_import.h"

namespace tesselin {
namespace {

std::string lowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// What the first bytes of a file say it is; nothing more is read of it here.
enum class Content { Xls, Zip, Binary, Text };

Content sniff(const std::filesystem::path& path) {
    std::ifstream in = openForReading(path);
    std::array<char, 1 << 16> start{};
    in.read(start.data(), start.size());
    const std::string_view head(start.data(), static_cast<std::size_t>(in.gcount()));
    // Whatever the file was opened as, an old Excel file is named for what it is.
    if (const auto version = oldExcelVersion(head)) {
        throw Failure::notAWorkbook(
            path.string(), "is an " + std::string(*version) + std::string(kOldExcelAdvice));
    }
    if (head.starts_with(kCompoundFileSignature)) {
        return Content::Xls;
    }
    if (head.starts_with(kZipSignature)) {
        return Content::Zip;
    }
    const bool utf16 = head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF");
    return !utf16 && head.find('\0') != std::string_view::npos ? Content::Binary : Content::Text;
}

DataKind byContent(const std::filesystem::path& path) {
    const std::string extension = lowerExtension(path);
    switch (sniff(path)) {
        case Content::Xls:
        case Content::Zip:
            return DataKind::ByContent;
        case Content::Binary:
            throw Failure::notAWorkbook(path.string(),
                                        "is neither a workbook (.xls, .xlsx, .ods) nor text: it "
                                        "holds binary data.");
        case Content::Text:
            break;
    }
    if (extension == ".xls" || extension == ".xlsx" || extension == ".ods") {
        throw Failure::notAWorkbook(path.string(), "is named as a workbook but holds text.");
    }
    return extension == ".csv" || extension == ".tsv" ? DataKind::SeparatedValues : DataKind::Text;
}

SpreadsheetKind spreadsheetKind(DataKind kind) {
    switch (kind) {
        case DataKind::Xls:
            return SpreadsheetKind::Xls;
        case DataKind::Xlsx:
            return SpreadsheetKind::Xlsx;
        case DataKind::Ods:
            return SpreadsheetKind::Ods;
        default:
            return SpreadsheetKind::Any;
    }
}

// Refuses, by what it is, a text or binary file opened as a workbook (an old
// Excel file is refused by sniff itself).
void checkWorkbook(const std::filesystem::path& path, SpreadsheetKind kind) {
    const std::string wanted = describeKind(kind);
    switch (sniff(path)) {
        case Content::Text: {
            const std::string extension = lowerExtension(path);
            const bool separated = extension == ".csv" || extension == ".tsv";
            throw Failure::notAWorkbook(
                path.string(), "is not " + wanted + ": it is " +
                                   (separated ? "a CSV text file" : "a text file") + "; choose \"" +
                                   (separated ? "Separated values" : "Text (*.txt)") +
                                   "\" or \"All data files\" to open it (tesselin-cli: --format " +
                                   (separated ? "csv" : "text") + ", or no --format).");
        }
        case Content::Binary:
            throw Failure::notAWorkbook(path.string(), "holds binary data, not " + wanted + ".");
        case Content::Xls:
        case Content::Zip:
            break;
    }
}

void loadWorkbook(DataGrid& grid, const std::filesystem::path& path, SpreadsheetKind kind,
                  std::int32_t mostRows) {
    checkWorkbook(path, kind);
    // One row more than the data rows: the first row may be a header.
    const auto mostSheetRows = static_cast<std::uint32_t>(
        std::min<std::int64_t>(std::int64_t{mostRows} + 1, std::int64_t{kSheetRows}));
    SheetTable sheet = readWorkbookIsolated(path, kind, mostSheetRows, grid.memoryBudget());
    std::vector<std::string> names;
    if (sheet.kind != SpreadsheetKind::Xls) {  // .xls sheets keep their first row as data
        names = takeHeader(sheet.table);
        if (sheet.table.Rows() > mostRows) {
            throw tooManyRowsForTheWindow(path.string(),
                                          static_cast<std::uint64_t>(sheet.table.Rows()));
        }
    }
    FillGridFromTable(grid, std::move(sheet.table), names);
    if (sheet.kind != SpreadsheetKind::Xls) {
        grid.setCellRule(CellRule::WholeValue);
    }
}

// Refuses a file chosen as text or separated values (`what`) that holds
// something else: its bytes read as rows would be nonsense. A workbook is
// named by the helper, which alone looks inside it (and says so when it is
// encrypted or of a kind not read).
void checkText(const std::filesystem::path& path, const std::string& what) {
    switch (sniff(path)) {
        case Content::Xls:
        case Content::Zip: {
            std::string kind;
            try {
                kind = describeKind(describeWorkbookIsolated(path));
            } catch (const Failure& failure) {
                const bool unread = failure.number() == FailureNumber::NotAValidPassword ||
                                    failure.description().find(
                                        "which this program does not read") != std::string::npos;
                if (unread) {
                    throw;
                }
                kind = "a zip archive or compound file that holds no workbook it can read";
            }
            throw Failure::notAWorkbook(path.string(), "is " + kind + ", not " + what +
                                                           ". Open it as the kind of file it is.");
        }
        case Content::Binary:
            throw Failure::notAWorkbook(path.string(), "holds binary data, not " + what + ".");
        case Content::Text:
            break;
    }
}

void checkSeparatedValues(const std::filesystem::path& path) {
    checkText(path, "separated values");
}

void loadSeparatedValues(DataGrid& grid, const std::filesystem::path& path, std::int32_t mostRows,
                         DateOrder dateOrder) {
    checkSeparatedValues(path);
    std::ifstream in = openForReading(path);
    SeparatedTable values = readSeparatedValues(
        in, path.string(), static_cast<std::uint32_t>(mostRows) + 1, grid.memoryBudget());
    const std::size_t rowsBefore = static_cast<std::size_t>(values.table.Rows());
    const std::vector<std::string> names = takeSeparatedHeader(values.table);
    readLocalDates(values.table, names, path.string(), dateOrder);
    const std::uint64_t dataRows =
        values.records - (rowsBefore - static_cast<std::size_t>(values.table.Rows()));
    if (dataRows > static_cast<std::uint64_t>(mostRows)) {
        throw tooManyRowsForTheWindow(path.string(), dataRows);
    }
    FillGridFromTable(grid, std::move(values.table), names);
    grid.setCellRule(CellRule::WholeValue);
}

}  // namespace

void loadDataSet(DataGrid& grid, const std::filesystem::path& path, DataKind kind,
                 const LoadOptions& options) {
    const std::int32_t mostRows = options.mostRows;
    if (kind == DataKind::ByContent) {
        kind = byContent(path);
    }
    switch (kind) {
        case DataKind::Text: {
            checkText(path, "text");
            // Into a grid of its own, so that a file that fails half-way
            // (too many lines, a line too wide) leaves the grid as it was.
            DataGrid loaded;
            loaded.setMemoryBudget(grid.memoryBudget());
            loadTextFile(loaded, path, mostRows);
            grid = std::move(loaded);
            break;
        }
        case DataKind::SeparatedValues:
            loadSeparatedValues(grid, path, mostRows, options.dateOrder);
            break;
        default:
            loadWorkbook(grid, path, spreadsheetKind(kind), mostRows);
            break;
    }
    RemoveBlankRows(grid);
}

ColumnData readColumns(const std::filesystem::path& path, DataKind kind, std::string_view x,
                       std::string_view y, Progress* progress, DateOrder dateOrder) {
    if (kind == DataKind::ByContent) {
        kind = byContent(path);
    }
    const auto measured = [&](std::ifstream in) {
        if (progress != nullptr) {
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(path, ec);
            progress->begin(ec ? 0 : size);
        }
        return in;
    };
    switch (kind) {
        case DataKind::Text: {
            checkText(path, "text");
            std::ifstream in = measured(openForReading(path));
            return readTextColumns(in, path.string(), x, y, progress);
        }
        case DataKind::SeparatedValues: {
            checkSeparatedValues(path);
            std::ifstream in = measured(openForReading(path));
            return readSeparatedColumns(in, path.string(), x, y, progress, dateOrder);
        }
        default:
            checkWorkbook(path, spreadsheetKind(kind));
            return readColumnsIsolated(path, spreadsheetKind(kind), x, y);
    }
}

}  // namespace tesselin
