#pragma once

#include <chrono>
#include <filesystem>

namespace tesselin {

class DataGrid;

// Reads a workbook in a helper process ("tesselin-cli --read-workbook FILE"),
// so that a damaged file that makes the reading library fail badly cannot
// take the program down with it: a helper that crashes, or that has not
// answered within its time limit (10 s and 1 s per MB of file), is reported
// as a workbook that cannot be read; one that the system ends for lack of
// memory as Out of memory. Failures of the helper's import come back
// unchanged. Without a helper program the workbook is read in this process.
DataGrid readWorkbookIsolated(const std::filesystem::path& path);

// Where the helper program is (by default tesselin-cli beside this program),
// and the time limit before the allowance per megabyte.
void setWorkbookHelper(std::filesystem::path program,
                       std::chrono::milliseconds baseLimit = std::chrono::seconds(10));

}  // namespace tesselin
