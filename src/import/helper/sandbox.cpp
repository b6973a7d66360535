#include "import/helper/sandbox.h"

#include <dirent.h>
#include <glib.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "common/Failure.h"

#if TESSELIN_SANDBOX
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#endif

namespace tesselin {
namespace {

[[noreturn]] void refused(const char* step, int error) {
    throw Failure(FailureNumber::PathFileAccessError,
                  std::string("Path/File access error: the workbook reader could not give up its "
                              "rights before reading (") +
                      step + ": " + std::strerror(error) + "); nothing was read");
}

// GLib's messages as one line each on standard error. Its own writer would
// first ask whether standard error is the system journal or a terminal,
// calls that the filter forbids.
GLogWriterOutput writeToStandardError(GLogLevelFlags, const GLogField* fields, gsize count,
                                      gpointer) {
    for (gsize i = 0; i < count; ++i) {
        if (std::string_view(fields[i].key) != "MESSAGE" || fields[i].value == nullptr) {
            continue;
        }
        std::string line = "workbook reader: ";
        if (fields[i].length < 0) {
            line += static_cast<const char*>(fields[i].value);
        } else {
            line.append(static_cast<const char*>(fields[i].value),
                        static_cast<std::size_t>(fields[i].length));
        }
        line += '\n';
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
    }
    return G_LOG_WRITER_HANDLED;
}

// What the libraries would otherwise load lazily from files, loaded now.
void prepareLibraries() {
    // The time zone, for the C library and for GLib. GLib looks the local
    // zone up in the zone files again on every use unless TZ names it; the
    // helper shows no time of day that a zone could change (the compound
    // file's timestamps are never shown), so UTC serves.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    g_time_zone_unref(g_time_zone_new_local());
    // Messages of the libraries go to standard error as plain writes.
    static const bool logWriterSet = [] {
        g_log_set_writer_func(writeToStandardError, nullptr, nullptr);
        return true;
    }();
    (void)logWriterSet;
    // The character sets, which GLib looks up once from the locale's files.
    const char* charset = nullptr;
    g_get_charset(&charset);
    const gchar** filenameCharsets = nullptr;
    g_get_filename_charsets(&filenameCharsets);
}

}  // namespace

void closeInheritedDescriptors() {
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) == 0) {
        return;
    }
    // Kernels before 5.9: close what the process's descriptor folder lists.
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        refused("close_range", errno);
    }
    const int own = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const int fd = std::atoi(entry->d_name);
        if (fd > 2 && fd != own) {
            ::close(fd);
        }
    }
    ::closedir(folder);
}

#if TESSELIN_SANDBOX
namespace {

void limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit value{soft, hard};
    if (setrlimit(resource, &value) != 0) {
        refused("setrlimit", errno);
    }
}

struct FilterRelease {
    void operator()(scmp_filter_ctx filter) const { seccomp_release(filter); }
};

}  // namespace

void enterSandbox(const SandboxLimits& limits) {
    closeInheritedDescriptors();
    prepareLibraries();
    limit(RLIMIT_AS, limits.memoryBytes, limits.memoryBytes);
    limit(RLIMIT_CPU, limits.cpuSeconds, limits.cpuSeconds + 1);  // SIGXCPU, then SIGKILL
    limit(RLIMIT_CORE, 0, 0);
    limit(RLIMIT_FSIZE, 0, 0);
    // Standard error may be a file: a warning written there then fails
    // rather than ending the reading.
    std::signal(SIGXFSZ, SIG_IGN);
    limit(RLIMIT_NOFILE, 3, 3);

    std::unique_ptr<void, FilterRelease> filter(seccomp_init(SCMP_ACT_KILL_PROCESS));
    if (!filter) {
        refused("seccomp_init", ENOMEM);
    }
    const auto allow = [&](int call, unsigned count, const scmp_arg_cmp* conditions) {
        if (const int result =
                seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, call, count, conditions);
            result != 0) {
            refused("seccomp_rule_add", -result);
        }
    };
    // Writing the answer (and any library's complaint to standard error).
    for (const scmp_datum_t out : {scmp_datum_t{1}, scmp_datum_t{2}}) {
        const scmp_arg_cmp onOutput[] = {SCMP_A0(SCMP_CMP_EQ, out)};
        allow(SCMP_SYS(write), 1, onOutput);
    }
    // Memory: anonymous, never executable. No file is open to map.
    const scmp_arg_cmp anonymous[] = {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0),
                                      SCMP_A3(SCMP_CMP_MASKED_EQ, MAP_ANONYMOUS, MAP_ANONYMOUS)};
    allow(SCMP_SYS(mmap), 2, anonymous);
    const scmp_arg_cmp notExecutable[] = {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)};
    allow(SCMP_SYS(mprotect), 1, notExecutable);
    // Moving a mapping to a fixed address could replace another one.
    const scmp_arg_cmp notFixed[] = {SCMP_A3(SCMP_CMP_MASKED_EQ, MREMAP_FIXED, 0)};
    allow(SCMP_SYS(mremap), 1, notFixed);
    for (const int call : {SCMP_SYS(munmap), SCMP_SYS(brk), SCMP_SYS(madvise)}) {
        allow(call, 0, nullptr);
    }
    // Waking and waiting on this process's own locks (the type system of the
    // compound-file library initialises its types once).
    allow(SCMP_SYS(futex), 0, nullptr);
    // Random bytes: the XML parser salts its hash tables with them.
    allow(SCMP_SYS(getrandom), 0, nullptr);
    // Ending.
    for (const int call : {SCMP_SYS(exit), SCMP_SYS(exit_group), SCMP_SYS(rt_sigreturn)}) {
        allow(call, 0, nullptr);
    }
    if (const int result = seccomp_load(filter.get()); result != 0) {
        refused("seccomp_load", -result);
    }
}

#else

void enterSandbox(const SandboxLimits&) {
    closeInheritedDescriptors();
    prepareLibraries();
}

#endif

bool sandboxBuilt() noexcept {
    return TESSELIN_SANDBOX != 0;
}

}  // namespace tesselin
