#include "isolated_reader.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/modConstants.h"
#include "import/workbook_import.h"

extern char** environ;

namespace tesselin {
namespace {

// The helper's answer: "TSLW" then 'O', rows, columns and every cell as
// length and bytes; or 'F', the failure's number and its description.
constexpr std::string_view kMagic = "TSLW";

std::filesystem::path& helperProgram() {
    static std::filesystem::path program = [] {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::filesystem::path() : self.parent_path() / "tesselin-cli";
    }();
    return program;
}

void putU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void putText(std::string& out, std::string_view text) {
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

class Reader {
public:
    explicit Reader(std::string_view data) : m_data(data) {}
    std::uint32_t u32() {
        need(4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value =
                value << 8 | static_cast<std::uint8_t>(m_data[m_at + static_cast<std::size_t>(i)]);
        }
        m_at += 4;
        return value;
    }
    std::string_view text() {
        const std::uint32_t n = u32();
        need(n);
        const std::string_view value = m_data.substr(m_at, n);
        m_at += n;
        return value;
    }
    char byte() {
        need(1);
        return m_data[m_at++];
    }
    bool starts(std::string_view prefix) {
        if (!m_data.starts_with(prefix)) {
            return false;
        }
        m_at = prefix.size();
        return true;
    }

private:
    void need(std::size_t n) const {
        if (m_data.size() - m_at < n) {
            throw std::length_error("short answer");
        }
    }
    std::string_view m_data;
    std::size_t m_at = 0;
};

Failure damaged(const std::filesystem::path& path, const std::string& why) {
    return Failure(FailureNumber::ExternalTableFormat,
                   "External table is not in the expected format: " + path.string() +
                       " is damaged or incomplete (" + why + ").");
}

}  // namespace

void setWorkbookHelper(std::filesystem::path program) {
    helperProgram() = std::move(program);
}

int writeWorkbookForParent(const std::filesystem::path& path) {
    std::string out(kMagic);
    try {
        const DataGrid table = readWorkbook(path);
        out.push_back('O');
        putU32(out, static_cast<std::uint32_t>(table.Rows()));
        putU32(out, static_cast<std::uint32_t>(table.Cols()));
        for (int r = 0; r < table.Rows(); ++r) {
            for (int c = 0; c < table.Cols(); ++c) {
                putText(out, table.TextMatrix(r, c));
            }
        }
    } catch (const Failure& failure) {
        out.resize(kMagic.size());
        out.push_back('F');
        putU32(out, static_cast<std::uint32_t>(failure.number()));
        putText(out, failure.description());
    } catch (const std::bad_alloc&) {
        out.resize(kMagic.size());
        out.push_back('F');
        putU32(out, static_cast<std::uint32_t>(FailureNumber::OutOfMemory));
        putText(out, "Out of memory: " + path.string() + " is too large to read.");
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0
               ? 0
               : 1;
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
        throw damaged(
            path, std::string("reading it failed with signal ") + sigabbrev_np(WTERMSIG(status)));
    }

    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw damaged(path, "the workbook reader stopped with status " +
                                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    }
    return tableFromHelperAnswer(answer, path);
}

DataGrid tableFromHelperAnswer(std::string_view answer, const std::filesystem::path& path) {
    try {
        Reader reader(answer);
        if (!reader.starts(kMagic)) {
            throw std::length_error("no answer");
        }
        if (reader.byte() == 'F') {
            const auto number = static_cast<std::int32_t>(reader.u32());
            throw Failure(number, std::string(reader.text()));
        }
        const std::uint32_t rows = reader.u32();
        const std::uint32_t columns = reader.u32();
        // Every cell takes at least its four length bytes.
        if (rows > static_cast<std::uint32_t>(kMaxCounter) ||
            columns > static_cast<std::uint32_t>(kMaxCounter) ||
            std::uint64_t{rows} * columns * 4 > answer.size()) {
            throw std::length_error("inconsistent size");
        }
        DataGrid table;
        table.setRows(static_cast<int>(rows));
        table.setCols(static_cast<int>(columns));
        for (int r = 0; r < table.Rows(); ++r) {
            for (int c = 0; c < table.Cols(); ++c) {
                table.setTextMatrix(r, c, reader.text());
            }
        }
        return table;
    } catch (const std::length_error&) {
        throw damaged(path, "the workbook reader gave no usable answer");
    }
}

}  // namespace tesselin
