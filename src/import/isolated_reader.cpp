#include "import/isolated_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper_protocol.h"
#include "import/workbook_import.h"

extern char** environ;

namespace tesselin {
namespace {

struct Helper {
    std::filesystem::path program;
    std::chrono::milliseconds baseLimit{10'000};
};

Helper& helper() {
    static Helper configured = [] {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        return Helper{ec ? std::filesystem::path() : self.parent_path() / "tesselin-cli"};
    }();
    return configured;
}

// How long the helper may take: the base limit plus a second per megabyte.
std::chrono::milliseconds timeLimit(const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    const auto megabytes = static_cast<std::int64_t>(ec ? 0 : size >> 20);
    return helper().baseLimit + std::chrono::seconds(megabytes);
}

// Reads the helper's answer until it closes its end, or until the deadline.
// False when the deadline passed first.
bool readAnswer(int fd, std::chrono::steady_clock::time_point deadline, std::string& answer) {
    char buffer[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1,
                                  static_cast<int>(std::min<std::int64_t>(
                                      left.count(), std::numeric_limits<int>::max())));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            return polled < 0;  // a failing poll ends like a closed pipe
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return true;
        }
        answer.append(buffer, static_cast<std::size_t>(n));
    }
}

// Waits for the child to end, until the deadline; false when it has not.
bool waitUntil(pid_t child, std::chrono::steady_clock::time_point deadline, int& status) {
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

void setWorkbookHelper(std::filesystem::path program, std::chrono::milliseconds baseLimit) {
    helper() = {std::move(program), baseLimit};
}

DataGrid readWorkbookIsolated(const std::filesystem::path& path) {
    const std::filesystem::path program = helper().program;
    std::error_code ec;
    if (program.empty() || !std::filesystem::exists(program, ec)) {
        return readWorkbook(path);
    }

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return readWorkbook(path);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string programName = program.string();
    const std::string pathName = path.string();
    char* argv[] = {const_cast<char*>(programName.c_str()), const_cast<char*>("--read-workbook"),
                    const_cast<char*>(pathName.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, programName.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return readWorkbook(path);
    }

    const std::chrono::milliseconds limit = timeLimit(path);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string answer;
    int status = 0;
    const bool finished =
        readAnswer(pipeFds[0], deadline, answer) && waitUntil(child, deadline, status);
    ::close(pipeFds[0]);
    if (!finished) {
        ::kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        throw Failure::damagedWorkbook(
            path.string(),
            "the workbook reader gave no answer within " +
                std::to_string(std::chrono::ceil<std::chrono::seconds>(limit).count()) + " s");
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        // Nothing here ended it: the system did, for lack of memory.
        throw Failure::outOfMemory("Out of memory: the system ended the reading of " +
                                   path.string() + " for lack of memory.");
    }
    if (WIFSIGNALED(status)) {
        throw Failure::damagedWorkbook(
            path.string(),
            std::string("reading it failed with signal ") + sigabbrev_np(WTERMSIG(status)));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw Failure::damagedWorkbook(
            path.string(), "the workbook reader stopped with status " +
                               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    }
    return tableFromHelperAnswer(answer, path);
}

}  // namespace tesselin
