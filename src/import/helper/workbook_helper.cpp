#include "import/helper/workbook_helper.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <new>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper/helper_protocol.h"
#include "import/helper/sandbox.h"
#include "import/text/code_pages.h"
#include "import/workbook/compound_file.h"
#include "import/workbook/zip_workbooks.h"

namespace tesselin {
namespace {

// Room for the file's own bytes, its strings decoded, and the table; time
// for `readings` readings of the sheet.
SandboxLimits limitsFor(std::uint64_t size, std::size_t memoryBudget, std::uint32_t readings) {
    return {.memoryBytes = memoryBudget + 4 * size + (std::uint64_t{512} << 20),
            .cpuSeconds = readings * static_cast<std::uint32_t>(10 + (size >> 20))};
}

// The helper ends with the program that started it, even one ended by a
// signal that leaves it no time to end the helper itself.
void endWithParent() {
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(1);  // it ended before the line above
    }
}

// Opens the file, gives up every right but reading it (with the limits of
// `readings` readings), lets `answerWith` read it and answer, and answers any
// failure instead. Returns the exit status.
template <typename Answer>
int answerParent(const std::filesystem::path& path, std::size_t memoryBudget,
                 std::uint32_t readings, Answer&& answerWith) {
    AnswerWriter answer(STDOUT_FILENO);
    endWithParent();
    try {
        preloadCodePages();  // they are files to open; afterwards nothing is
        xls::WorkbookFile file(path);
        file.load();
        enterSandbox(limitsFor(file.bytes().size(), memoryBudget, readings));
        answerWith(file, answer);
    } catch (const Failure& failure) {
        answer.failure(failure);
    } catch (const std::bad_alloc&) {
        answer.failure(
            Failure::outOfMemory("Out of memory: " + path.string() + " is too large to read."));
    }
    return answer.ok() ? 0 : 1;
}

}  // namespace

int writeWorkbookForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                           std::uint32_t mostRows, std::size_t memoryBudget) {
    return answerParent(path, memoryBudget, 1, [&](xls::WorkbookFile& file, AnswerWriter& answer) {
        SheetTable sheet = readSpreadsheet(file, kind, mostRows, memoryBudget);
        answer.table(sheet);
    });
}

int describeWorkbookForParent(const std::filesystem::path& path) {
    const std::size_t budget = DataGrid::kDefaultMemoryBudget;
    return answerParent(path, budget, 1, [&](xls::WorkbookFile& file, AnswerWriter& answer) {
        SheetTable sheet{DataGrid(), describeWorkbook(file, budget)};
        sheet.table.setRows(0);
        sheet.table.setCols(0);
        answer.table(sheet);
    });
}

int writeColumnsForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                          std::string_view x, std::string_view y) {
    const std::size_t budget = DataGrid::kDefaultMemoryBudget;
    // Two readings: a header that comes last makes the sheet read twice.
    return answerParent(path, budget, 2, [&](xls::WorkbookFile& file, AnswerWriter& answer) {
        const SpreadsheetKind found = identifySpreadsheet(file, kind, budget);
        const auto readInto = [&](SheetColumns& columns) {
            return readSpreadsheetCells(
                file, found, kSheetRows, budget,
                [&columns](std::uint32_t row, std::uint32_t column, std::string_view text) {
                    columns.cell(row, column, text);
                });
        };
        // .xls sheets keep their first row as data.
        const bool headerRule = found != SpreadsheetKind::Xls;
        SheetColumns columns(x, y, headerRule, budget);
        SheetCells cells = readInto(columns);
        if (const auto known = columns.readAgainFor(cells.extent)) {
            // The first rows came late and name other columns.
            columns = SheetColumns(x, y, headerRule, budget, known);
            cells = readInto(columns);
        }
        if (cells.extent.rows > kSheetRows) {
            throw Failure::overflow("Overflow: the first worksheet of " + path.string() + " has " +
                                    std::to_string(cells.extent.rows) + " rows; at most " +
                                    std::to_string(kSheetRows) + " can be read.");
        }
        answer.columns(columns.finish(cells.extent), cells.kind);
    });
}

}  // namespace tesselin
