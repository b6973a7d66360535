#include "common/Failure.h"

#include <cerrno>
#include <cstring>

namespace tesselin {

Failure Failure::fromErrno(int error, const std::filesystem::path& path, FileAction action) {
    const std::string name = path.string();
    const bool writing = action == FileAction::Write;
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return {FailureNumber::PermissionDenied,
                    "Permission denied: " + name +
                        (writing ? " cannot be written" : " cannot be read")};
        case ENOENT:
        case ENOTDIR:
            if (writing) {
                return {FailureNumber::PathNotFound,
                        "Path not found: the folder of " + name + " does not exist"};
            }
            return {FailureNumber::FileNotFound, "File not found: " + name};
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            if (writing) {
                return {FailureNumber::DiskFull, "Disk full: " + name + " could not be written"};
            }
            break;
        case EISDIR:
            return {FailureNumber::PathFileAccessError,
                    "Path/File access error: " + name +
                        (writing ? " is a folder" : " is a folder, not a file")};
        default:
            break;
    }
    return {FailureNumber::PathFileAccessError,
            "Path/File access error: " + name + " (" + std::strerror(error) + ")"};
}

Failure Failure::notARegularFile(const std::filesystem::path& path) {
    return {FailureNumber::PathFileAccessError,
            "Path/File access error: " + path.string() + " is not a regular file"};
}

Failure Failure::notAWorkbook(std::string_view name, std::string_view why) {
    return {FailureNumber::ExternalTableFormat, "External table is not in the expected format: " +
                                                    std::string(name) + " " + std::string(why)};
}

Failure Failure::damagedWorkbook(std::string_view name, std::string_view detail) {
    return notAWorkbook(name, detail.empty()
                                  ? std::string("is damaged or incomplete.")
                                  : "is damaged or incomplete (" + std::string(detail) + ").");
}

Failure Failure::passwordProtected(std::string_view name) {
    return {FailureNumber::NotAValidPassword,
            "Not a valid password: " + std::string(name) +
                " is password-protected; save it without a password and open it again."};
}

Failure Failure::readerFault(std::string_view name, std::string_view how) {
    return {FailureNumber::ExternalTableFormat,
            std::string(name) + " could not be read: the workbook reader stopped unexpectedly (" +
                std::string(how) + "); please report this file."};
}

Failure Failure::outOfMemory(std::string description) {
    return {FailureNumber::OutOfMemory, std::move(description)};
}

Failure Failure::overflow(std::string description) {
    return {FailureNumber::Overflow, std::move(description)};
}

}  // namespace tesselin
