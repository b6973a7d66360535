#include "import/workbook_import.h"

#include <string>

#include "common/Failure.h"
#include "import/column_names.h"
#include "import/compound_file.h"
#include "import/sheet.h"
#include "import/xls_reader.h"

namespace tesselin {

DataGrid readWorkbook(xls::WorkbookFile& file, std::uint32_t mostRows, std::size_t memoryBudget) {
    const std::vector<std::uint8_t> stream = file.workbookStream();
    return tableOfSheet(
        [&](const CellSink& onCell) {
            return xls::readFirstWorksheet(stream, file.name(), mostRows, onCell);
        },
        mostRows, memoryBudget,
        [&](std::uint32_t rows) {
            return Failure::overflow("Overflow: the first worksheet of " + file.name() + " has " +
                                     std::to_string(rows) + " rows; at most " +
                                     std::to_string(mostRows) + " can be read.");
        });
}

DataGrid readWorkbook(const std::filesystem::path& path, std::uint32_t mostRows,
                      std::size_t memoryBudget) {
    xls::WorkbookFile file(path);
    return readWorkbook(file, mostRows, memoryBudget);
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
