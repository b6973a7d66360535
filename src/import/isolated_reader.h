#pragma once

#include <filesystem>
#include <string_view>

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

// The table in a helper's answer, or the helper's failure; an answer that
// does not parse is reported as a damaged workbook.
DataGrid tableFromHelperAnswer(std::string_view answer, const std::filesystem::path& path);

// The helper's side: reads the workbook and writes the result to standard
// output in the form readWorkbookIsolated expects. Returns the exit status.
int writeWorkbookForParent(const std::filesystem::path& path);

}  // namespace tesselin
