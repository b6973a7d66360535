#pragma once

#include "common/DataGrid.h"

namespace tesselin {

// The program-wide tables. One object is owned by main and handed to the
// windows by reference, so each table lives as long as the program and no
// mutable global variable exists.
struct modGlobals {
    // The last workbook's first sheet on its way into the data grid: row i,
    // column j holds field j of record i (no caption row).
    DataGrid WorkbookData;
};

}  // namespace tesselin
