#pragma once

#include <filesystem>
#include <string_view>

namespace tesselin {

// Writes a whole file or nothing: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the target. On any
// failure (no permission, disk full, a folder of that name) the target keeps
// its old content, the temporary file is removed, and a Failure that names the
// file says what went wrong. A symbolic link is followed; a device, pipe or
// socket is never replaced.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tesselin
