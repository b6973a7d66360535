#include "import/workbook/workbook_import.h"

#include <string>

#include "common/Failure.h"
#include "import/sheet.h"
#include "import/workbook/compound_file.h"
#include "import/workbook/xls_reader.h"

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
    file.load();
    return readWorkbook(file, mostRows, memoryBudget);
}

}  // namespace tesselin
