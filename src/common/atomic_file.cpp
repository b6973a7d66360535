#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "common/Failure.h"

namespace tesselin {
namespace {

[[noreturn]] void throwWriteFailure(const std::filesystem::path& path, int error) {
    throw Failure::fromErrno(error, path, FileAction::Write);
}

// Closes and removes the temporary file unless it has been renamed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern) : m_path(std::move(pattern)) {
        m_fd = mkstemp(m_path.data());
    }
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_kept) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    int close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_kept = false;
};

// A link that the kernel would not follow either (its protected-symlinks
// rule): one in a sticky folder that anyone may write to, such as /tmp,
// owned neither by this user nor by the folder's owner. Another user may
// have planted it there to turn a write elsewhere.
void refuseAPlantedLink(const std::filesystem::path& link, const std::filesystem::path& requested) {
    struct stat linkStatus {};
    struct stat folderStatus {};
    const std::filesystem::path folder =
        link.has_parent_path() ? link.parent_path() : std::filesystem::path(".");
    if (::lstat(link.c_str(), &linkStatus) != 0 || ::stat(folder.c_str(), &folderStatus) != 0) {
        return;  // reading the link then fails with the system's own reason
    }
    const bool shared =
        (folderStatus.st_mode & S_ISVTX) != 0 && (folderStatus.st_mode & S_IWOTH) != 0;
    if (shared && linkStatus.st_uid != ::geteuid() && linkStatus.st_uid != folderStatus.st_uid) {
        throw Failure(FailureNumber::PathFileAccessError,
                      "Path/File access error: " + requested.string() +
                          " is a link that another user made in the shared folder " +
                          folder.string() +
                          "; it is not followed (the system would not follow it either)");
    }
}

// The path a chain of symbolic links ends at, whether or not a file is there
// yet, so that the file a link names gets the new content and the link stays
// a link (a dangling link gets its file). Links are followed as the kernel
// would follow them (see refuseAPlantedLink).
std::filesystem::path followLinks(const std::filesystem::path& requested) {
    constexpr int kMostLinks = 40;  // as the kernel allows
    std::filesystem::path path = requested;
    std::error_code ec;
    for (int links = 0; std::filesystem::is_symlink(path, ec); ++links) {
        if (links == kMostLinks) {
            throwWriteFailure(requested, ELOOP);
        }
        refuseAPlantedLink(path, requested);
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) {
            throwWriteFailure(requested, ec.value());
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// A hidden name beside the target for the new content, no longer than the
// longest name a folder takes, so that a target of any allowed length saves.
std::string temporaryName(const std::string& target) {
    constexpr std::size_t kLongestName = NAME_MAX;
    constexpr std::string_view kSuffix = ".XXXXXX";
    const std::size_t room = kLongestName - 1 - kSuffix.size();
    return "." + target.substr(0, room) + std::string(kSuffix);
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         Flush flush) {
    std::error_code ec;
    const std::filesystem::path path = followLinks(requested);
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory) {
        throwWriteFailure(requested, EISDIR);
    }
    if (type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::regular && !ec) {
        // Never replace a device, a pipe or a socket by a plain file.
        throw Failure::notARegularFile(requested);
    }
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing && (existing.st_mode & 0222) == 0) {
        // Write-protected, as rm and editors respect it, also for root.
        throw Failure(
            FailureNumber::PathFileAccessError,
            "Path/File access error: " + requested.string() + " is read-only; it was not replaced");
    }
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    TemporaryFile temporary((folder / temporaryName(path.filename().string())).string());
    if (temporary.fd() < 0) {
        throwWriteFailure(path, errno);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(temporary.fd(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwWriteFailure(path, errno);
        }
        written += static_cast<std::size_t>(n);
    }
    // An overwritten file keeps its permissions; a new one gets those of a
    // file made the ordinary way (mkstemp makes it private).
    mode_t mode = 0;
    if (replacing) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);  // reading the mask means setting it
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(temporary.fd(), mode);
    if ((flush == Flush::Now && ::fsync(temporary.fd()) != 0) || temporary.close() != 0) {
        throwWriteFailure(path, errno);
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
        throwWriteFailure(path, errno);
    }
    temporary.keep();
}

bool flushFileSystem(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool flushed = ::syncfs(fd) == 0;
    ::close(fd);
    return flushed;
}

}  // namespace tesselin
