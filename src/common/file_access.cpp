#include "common/file_access.h"

#include <cerrno>
#include <system_error>

#include "common/Failure.h"

namespace tesselin {

std::ifstream openForReading(const std::filesystem::path& path) {
    std::error_code status;
    const auto type = std::filesystem::status(path, status).type();
    if (status) {
        throw Failure::fromErrno(status.value(), path, FileAction::Read);
    }
    if (type == std::filesystem::file_type::not_found) {
        throw Failure::fromErrno(ENOENT, path, FileAction::Read);
    }
    if (type == std::filesystem::file_type::directory) {
        throw Failure::fromErrno(EISDIR, path, FileAction::Read);
    }
    if (type != std::filesystem::file_type::regular) {
        throw Failure::notARegularFile(path);
    }

    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        throw Failure::fromErrno(errno != 0 ? errno : EIO, path, FileAction::Read);
    }
    return stream;
}

}  // namespace tesselin
