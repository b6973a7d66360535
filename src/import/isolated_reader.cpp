#include "import/isolated_reader.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper_protocol.h"
#include "import/workbook_import.h"

extern char** environ;

namespace tesselin {
namespace {

std::filesystem::path& helperProgram() {
    static std::filesystem::path program = [] {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::filesystem::path() : self.parent_path() / "tesselin-cli";
    }();
    return program;
}

}  // namespace

void setWorkbookHelper(std::filesystem::path program) {
    helperProgram() = std::move(program);
}

DataGrid readWorkbookIsolated(const std::filesystem::path& path) {
    const std::filesystem::path program = helperProgram();
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

    std::string answer;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
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
