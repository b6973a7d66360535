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
//
// With Flush::Later the new file is not flushed before it is renamed: a batch
// of many small files flushes them all at once afterwards (flushFileSystem),
// where one flush per file would cost most of the time. Until then a crash of
// the whole system may lose them; the program itself still writes each one
// whole or not at all.
enum class Flush { Now, Later };
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         Flush flush = Flush::Now);

// Flushes to disk everything written on the file system that holds `path`;
// false when the system cannot.
bool flushFileSystem(const std::filesystem::path& path);

}  // namespace tesselin
