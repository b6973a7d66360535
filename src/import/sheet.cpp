#include "import/sheet.h"

#include "common/Failure.h"
#include "import/text/column_names.h"

namespace tesselin {

DataGrid tableOfSheet(const std::function<SheetExtent(const CellSink&)>& read,
                      std::uint32_t mostRows, std::size_t memoryBudget,
                      const std::function<Failure(std::uint32_t rows)>& tooManyRows) {
    DataGrid table;
    table.setMemoryBudget(memoryBudget);
    table.setRows(0);
    table.setCols(0);
    const SheetExtent extent =
        read([&table](std::uint32_t row, std::uint32_t column, std::string_view text) {
            const auto r = static_cast<int>(row);
            const auto c = static_cast<int>(column);
            if (r >= table.Rows()) {
                table.setRows(r + 1);
            }
            if (c >= table.Cols()) {
                table.setCols(c + 1);
            }
            table.setTextMatrix(r, c, text);
        });
    if (extent.rows > mostRows) {
        throw tooManyRows(extent.rows);
    }
    // Empty cells at the end of the sheet count in its size.
    table.setRows(static_cast<int>(extent.rows));
    table.setCols(static_cast<int>(extent.columns));
    return table;
}

Failure tooManyRowsForTheWindow(std::string_view name, std::uint64_t rows) {
    return Failure::overflow("Overflow: " + std::string(name) + " has " + std::to_string(rows) +
                             " rows of data; this window takes at most " +
                             std::to_string(kMaxCounter - 1) +
                             ". tesselin-cli analyses data sets of any size.");
}

std::string_view spreadsheetKindName(SpreadsheetKind kind) {
    switch (kind) {
        case SpreadsheetKind::Xls:
            return "xls";
        case SpreadsheetKind::Xlsx:
            return "xlsx";
        case SpreadsheetKind::Ods:
            return "ods";
        case SpreadsheetKind::Any:
            break;
    }
    return "any";
}

std::string describeKind(SpreadsheetKind kind) {
    switch (kind) {
        case SpreadsheetKind::Xls:
            return "an Excel 97-2003 or 5.0/95 workbook (.xls)";
        case SpreadsheetKind::Xlsx:
            return "an Excel 2007 or later workbook (.xlsx)";
        case SpreadsheetKind::Ods:
            return "an OpenDocument spreadsheet (.ods)";
        case SpreadsheetKind::Any:
            break;
    }
    return "a workbook (.xls, .xlsx or .ods)";
}

std::optional<SpreadsheetKind> spreadsheetKindNamed(std::string_view name) {
    for (const SpreadsheetKind kind : {SpreadsheetKind::Xls, SpreadsheetKind::Xlsx,
                                       SpreadsheetKind::Ods, SpreadsheetKind::Any}) {
        if (spreadsheetKindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

void FillGridFromTable(DataGrid& grid, DataGrid WorkbookData,
                       const std::vector<std::string>& names) {
    const std::size_t budget = grid.memoryBudget();
    const bool empty = WorkbookData.Rows() == 0 || WorkbookData.Cols() == 0;
    if (empty) {
        WorkbookData.setRows(0);
        WorkbookData.setCols(2);
    }
    WorkbookData.insertRow(0);
    for (int k = 0; k < WorkbookData.Cols(); ++k) {
        WorkbookData.setTextMatrix(0, k, namedCaption(k, names));
    }
    grid = std::move(WorkbookData);
    grid.setMemoryBudget(budget);
}

}  // namespace tesselin
