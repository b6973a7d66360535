#pragma once

#include <filesystem>

namespace tesselin {

// The workbook helper's side ("tesselin-cli --read-workbook FILE"): reads the
// workbook and writes the table, or the failure, to standard output as the
// program that started it expects. Returns the exit status.
int writeWorkbookForParent(const std::filesystem::path& path);

}  // namespace tesselin
