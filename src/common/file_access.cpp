#include "file_access.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "Failure.h"

namespace tesselin {
namespace {

[[noreturn]] void throwForError(const std::filesystem::path& path, int error) {
    const std::string name = path.string();
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            throw Failure(FailureNumber::FileNotFound, "File not found: " + name);
        case EACCES:
        case EPERM:
            throw Failure(FailureNumber::PermissionDenied,
                          "Permission denied: " + name + " cannot be read");
        default:
            throw Failure(FailureNumber::PathFileAccessError,
                          "Path/File access error: " + name + " (" + std::strerror(error) + ")");
    }
}

}  // namespace

std::ifstream openForReading(const std::filesystem::path& path) {
    std::error_code status;
    const auto type = std::filesystem::status(path, status).type();
    if (status) {
        throwForError(path, status.value());
    }
    if (type == std::filesystem::file_type::not_found) {
        throwForError(path, ENOENT);
    }
    if (type == std::filesystem::file_type::directory) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "Path/File access error: " + path.string() + " is a folder, not a file");
    }
    if (type != std::filesystem::file_type::regular) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "Path/File access error: " + path.string() + " is not a regular file");
    }

    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        throwForError(path, errno != 0 ? errno : EIO);
    }
    return stream;
}

}  // namespace tesselin
