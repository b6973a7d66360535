#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

void writeFileAtomically(const std::filesystem::path& requested, std::string_view bytes) {
    std::error_code ec;
    // A link is followed, so that the file it names gets the new content and
    // the link stays a link.
    std::filesystem::path path = requested;
    if (std::filesystem::is_symlink(requested, ec)) {
        if (auto resolved = std::filesystem::canonical(requested, ec); !ec) {
            path = std::move(resolved);
        }
    }
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory) {
        throwWriteFailure(requested, EISDIR);
    }
    if (type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::regular && !ec) {
        // Never replace a device, a pipe or a socket by a plain file.
        throw Failure::notARegularFile(requested);
    }
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern(1, '.');  // hidden, beside the target
    pattern.append(path.filename().string()).append(".XXXXXX");
    TemporaryFile temporary((folder / pattern).string());
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
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);  // reading the mask means setting it
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(temporary.fd(), mode);
    if (::fsync(temporary.fd()) != 0 || temporary.close() != 0) {
        throwWriteFailure(path, errno);
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
        throwWriteFailure(path, errno);
    }
    temporary.keep();
}

}  // namespace tesselin
