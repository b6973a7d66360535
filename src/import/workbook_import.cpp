#include "import/workbook_import.h"

#include <string>
#include <unordered_set>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/numbers.h"
#include "import/biff_records.h"
#include "import/xls_workbook.h"

namespace tesselin {
namespace {

// Days between the 1904 and the 1900 date systems' day zero.
constexpr double k1904Offset = 1462.0;

void checkCounter(std::uint32_t count, const char* what, const std::string& name) {
    if (count > static_cast<std::uint32_t>(kMaxCounter)) {
        throw Failure::overflow("Overflow: the first worksheet of " + name + " has " +
                                std::to_string(count) + " " + what + "; at most " +
                                std::to_string(kMaxCounter) + " can be read.");
    }
}

}  // namespace

DataGrid readWorkbook(const std::filesystem::path& path) {
    xls::Workbook book(path);
    const std::vector<std::uint8_t> stream = xls::readWorkbookStream(path);
    if (xls::isPasswordProtected(stream)) {
        throw Failure::passwordProtected(path.string());
    }
    book.selectFirstSheet();
    const std::uint32_t rows = book.rows();
    const std::uint32_t columns = book.columns();
    checkCounter(rows, "rows", path.string());
    checkCounter(columns, "columns", path.string());

    // FreeXL gives formula cells as empty and dates only as rounded texts;
    // the sheet's own records hold their stored values.
    std::unordered_set<std::uint64_t> dateCells;
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < columns; ++c) {
            if (book.cell(r, c).kind == xls::CellKind::Date) {
                dateCells.insert(xls::cellKey(r, c));
            }
        }
    }
    const xls::SheetValues stored = xls::readFirstSheetValues(stream, dateCells);

    DataGrid table;
    table.setRows(static_cast<int>(rows));
    table.setCols(static_cast<int>(columns));
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < columns; ++c) {
            const auto key = xls::cellKey(r, c);
            std::string text;
            if (const auto found = stored.texts.find(key); found != stored.texts.end()) {
                text = found->second;
            } else if (dateCells.count(key) != 0) {
                if (const auto serial = stored.numbers.find(key); serial != stored.numbers.end()) {
                    text = numberText(serial->second + (book.uses1904Dates() ? k1904Offset : 0.0));
                }
            } else {
                xls::Cell cell = book.cell(r, c);
                text = cell.kind == xls::CellKind::Number ? numberText(cell.number)
                                                          : std::move(cell.text);
            }
            table.setTextMatrix(static_cast<int>(r), static_cast<int>(c), text);
        }
    }
    return table;
}

void FillGridFromTable(DataGrid& grid, const DataGrid& WorkbookData) {
    const int records = WorkbookData.Rows();
    const int fields = records == 0 ? 0 : WorkbookData.Cols();
    grid.setRows(1);  // the data rows are written afresh below
    if (fields == 0) {
        grid.setCols(2);
    } else {
        grid.setRows(records + 1);
        grid.setCols(fields);
        for (int i = 0; i < records; ++i) {
            grid.copyRow(i + 1, WorkbookData, i);
        }
    }
    for (int k = 0; k < grid.Cols(); ++k) {
        grid.setTextMatrix(0, k, columnCaption(k));
    }
}

}  // namespace tesselin
