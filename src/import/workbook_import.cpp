#include "import/workbook_import.h"

#include <string>

#include "common/Failure.h"
#include "import/compound_file.h"
#include "import/xls_reader.h"

namespace tesselin {

DataGrid readWorkbook(xls::WorkbookFile& file, std::uint32_t mostRows, std::size_t memoryBudget) {
    const std::vector<std::uint8_t> stream = file.workbookStream();
    DataGrid table;
    table.setMemoryBudget(memoryBudget);
    table.setRows(0);
    table.setCols(0);
    const xls::SheetExtent extent = xls::readFirstWorksheet(
        stream, file.name(), mostRows,
        [&table](std::uint32_t row, std::uint32_t column, std::string_view text) {
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
        throw Failure::overflow("Overflow: the first worksheet of " + file.name() + " has " +
                                std::to_string(extent.rows) + " rows; at most " +
                                std::to_string(mostRows) + " can be read.");
    }
    // Empty cells at the end of the sheet count in its size.
    table.setRows(static_cast<int>(extent.rows));
    table.setCols(static_cast<int>(extent.columns));
    return table;
}

DataGrid readWorkbook(const std::filesystem::path& path, std::uint32_t mostRows,
                      std::size_t memoryBudget) {
    xls::WorkbookFile file(path);
    return readWorkbook(file, mostRows, memoryBudget);
}

void FillGridFromTable(DataGrid& grid, DataGrid WorkbookData) {
    const std::size_t budget = grid.memoryBudget();
    const bool empty = WorkbookData.Rows() == 0 || WorkbookData.Cols() == 0;
    if (empty) {
        WorkbookData.setRows(0);
        WorkbookData.setCols(2);
    }
    WorkbookData.insertRow(0);
    for (int k = 0; k < WorkbookData.Cols(); ++k) {
        WorkbookData.setTextMatrix(0, k, columnCaption(k));
    }
    grid = std::move(WorkbookData);
    grid.setMemoryBudget(budget);
}

}  // namespace tesselin
