#include "import/helper/isolated_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper/helper_protocol.h"

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

// How long the helper may take for each reading of the sheet: the base
// limit plus a second per megabyte.
std::chrono::milliseconds timeLimit(const std::filesystem::path& path, int readings) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    const auto megabytes = static_cast<std::int64_t>(ec ? 0 : size >> 20);
    return readings * (helper().baseLimit + std::chrono::seconds(megabytes));
}

// Feeds the helper's answer to the reader until the helper closes its end,
// or until the deadline. False when the deadline passed first.
bool readAnswer(int fd, std::chrono::steady_clock::time_point deadline,
                const std::function<void(std::string_view)>& answer) {
    std::vector<char> buffer(1 << 16);
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
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return true;
        }
        answer(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
}

// Ends the helper when the reading stops early, whatever stops it.
class Child {
public:
    explicit Child(pid_t pid) : m_pid(pid) {}
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    pid_t pid() const { return m_pid; }
    void reaped() { m_pid = 0; }

private:
    pid_t m_pid;
};

// Waits for the child to end, until the deadline; false when it has not.
bool waitUntil(pid_t child, std::chrono::steady_clock::time_point deadline, int& status) {
    // A process descriptor becomes readable when the process ends.
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    bool reaped = false;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            reaped = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        if (process >= 0) {
            pollfd ready{process, POLLIN, 0};
            ::poll(&ready, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 1000)));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (process >= 0) {
        ::close(process);
    }
    return reaped;
}

// Starts the helper with these arguments after its program name, feeds its
// answer to `answer` as it arrives, and waits for it to end; a failure of the
// helper itself is thrown as described at readWorkbookIsolated.
void runHelper(const std::filesystem::path& path, const std::vector<std::string>& arguments,
               int readings, const std::function<void(std::string_view)>& answer) {
    const std::filesystem::path program = helper().program;
    const std::string programName = program.string();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw Failure::fromErrno(errno, program, FileAction::Read);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string pathName = path.string();
    std::vector<char*> argv{const_cast<char*>(programName.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = program.empty() ? ENOENT
                                        : posix_spawn(&pid, programName.c_str(), &actions, nullptr,
                                                      argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw Failure(
            spawned == ENOENT ? FailureNumber::FileNotFound : FailureNumber::PathFileAccessError,
            "The workbook reader " + programName + " could not be started (" +
                std::strerror(spawned) + "), so " + pathName +
                " was not read. Install tesselin-cli beside tesselin.");
    }
    Child child(pid);

    const std::chrono::milliseconds limit = timeLimit(path, readings);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    bool finished = false;
    try {
        finished = readAnswer(pipeFds[0], deadline, answer) && waitUntil(pid, deadline, status);
    } catch (...) {
        ::close(pipeFds[0]);
        throw;  // the child is ended on the way out
    }
    ::close(pipeFds[0]);
    if (!finished) {
        throw Failure::damagedWorkbook(
            pathName, "the workbook reader gave no answer within " +
                          std::to_string(std::chrono::ceil<std::chrono::seconds>(limit).count()) +
                          " s");
    }
    child.reaped();
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        // Nothing here ended it: the system did, for lack of memory.
        throw Failure::outOfMemory("Out of memory: the system ended the reading of " + pathName +
                                   " for lack of memory.");
    }
    if (WIFSIGNALED(status)) {
        const char* signal = sigabbrev_np(WTERMSIG(status));
        throw Failure::readerFault(
            pathName, "signal " + (signal != nullptr ? std::string(signal)
                                                     : std::to_string(WTERMSIG(status))));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw Failure::damagedWorkbook(
            pathName, "the workbook reader stopped with status " +
                          std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    }
}

}  // namespace

void setWorkbookHelper(std::filesystem::path program, std::chrono::milliseconds baseLimit) {
    helper() = {std::move(program), baseLimit};
}

SheetTable readWorkbookIsolated(const std::filesystem::path& path, SpreadsheetKind kind,
                                std::uint32_t mostRows, std::size_t memoryBudget) {
    AnswerReader answer(path, mostRows, memoryBudget);
    runHelper(path,
              {"--read-workbook", path.string(), std::string(spreadsheetKindName(kind)),
               std::to_string(mostRows), std::to_string(memoryBudget)},
              1, [&answer](std::string_view bytes) { answer.feed(bytes); });
    return answer.finish();
}

SpreadsheetKind describeWorkbookIsolated(const std::filesystem::path& path) {
    AnswerReader answer(path, 0, 0);
    runHelper(path, {"--describe-workbook", path.string()}, 1,
              [&answer](std::string_view bytes) { answer.feed(bytes); });
    return answer.finish().kind;
}

ColumnData readColumnsIsolated(const std::filesystem::path& path, SpreadsheetKind kind,
                               std::string_view x, std::string_view y) {
    ColumnAnswerReader answer(path);
    runHelper(path,
              {"--read-columns", path.string(), std::string(spreadsheetKindName(kind)),
               std::string(x), std::string(y)},
              2, [&answer](std::string_view bytes) { answer.feed(bytes); });
    return answer.finish();
}

}  // namespace tesselin
