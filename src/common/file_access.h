#pragma once

#include <filesystem>
#include <fstream>

namespace tesselin {

// Opens a file for binary reading, or throws a Failure that names the file and
// says what is wrong: missing (53), not allowed (70), a folder or another kind
// of file that is not a plain file (75). FIFOs and devices are refused before
// opening, so a read can never block waiting for a writer.
std::ifstream openForReading(const std::filesystem::path& path);

}  // namespace tesselin
