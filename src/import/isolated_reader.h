#pragma once

#include <filesystem>

namespace tesselin {

class DataGrid;

// Reads a workbook in a helper process ("tesselin-cli --read-workbook FILE"),
// so that a damaged file that makes the reading library fail badly cannot
// take the program down with it: a helper that crashes is reported as a
// damaged workbook. Failures of the helper's import come back unchanged.
// Without a helper program the workbook is read in this process.
DataGrid readWorkbookIsolated(const std::filesystem::path& path);

// Where the helper program is; by default tesselin-cli beside this program.
void setWorkbookHelper(std::filesystem::path program);

}  // namespace tesselin
