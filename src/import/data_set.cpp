#include "import/data_set.h"

#include "common/DataGrid.h"
#include "import/blank_rows.h"
#include "import/isolated_reader.h"
#include "import/text_import.h"
#include "import/workbook_import.h"

namespace tesselin {

void loadDataSet(DataGrid& grid, const std::filesystem::path& path, DataKind kind) {
    switch (kind) {
        case DataKind::Workbook:
            FillGridFromTable(grid, readWorkbookIsolated(path, kMaxCounter, grid.memoryBudget()));
            break;
        case DataKind::Text:
            LoadTextFile(grid, path);
            break;
    }
    RemoveBlankRows(grid);
}

}  // namespace tesselin
