#pragma once

#include <filesystem>
#include <string_view>

namespace tesselin {

// Writes a whole file or nothing: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the target. On any
// failure (no permission, disk full, a folder of that name) the target keeps
// its old content, the temporary file is removed, and a Failure that names the
// file says what went wrong. A symbolic link is followed, also one whose file
// does not exist yet; a device, pipe or socket is never replaced, nor a file
// without any write permission (mode 0444), even by root.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tesselin
