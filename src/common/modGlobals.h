#pragma once

#include <string>
#include <vector>

namespace tesselin {

// The program-wide tables. One object is owned by main and handed to the
// windows by reference, so each table lives as long as the program and no
// mutable global variable exists.
struct modGlobals {
    // A workbook's cells on their way into the data grid: WorkbookData[i][j]
    // is field j of record i.
    std::vector<std::vector<std::string>> WorkbookData;
};

}  // namespace tesselin
