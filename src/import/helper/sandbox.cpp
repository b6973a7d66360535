#include "import/helper/sandbox.h"

#include "common/Failure.h"

#if TESSELIN_SANDBOX
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#endif

namespace tesselin {

#if TESSELIN_SANDBOX
namespace {

[[noreturn]] void refused(const char* step, int error) {
    throw Failure(FailureNumber::PathFileAccessError,
                  std::string("Path/File access error: the workbook reader could not give up its "
                              "rights before reading (") +
                      step + ": " + std::strerror(error) + "); nothing was read");
}

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

void enterSandbox(int readFd, const SandboxLimits& limits) {
    limit(RLIMIT_AS, limits.memoryBytes, limits.memoryBytes);
    limit(RLIMIT_CPU, limits.cpuSeconds, limits.cpuSeconds + 1);  // SIGXCPU, then SIGKILL
    limit(RLIMIT_CORE, 0, 0);
    limit(RLIMIT_FSIZE, 0, 0);

    std::unique_ptr<void, FilterRelease> filter(seccomp_init(SCMP_ACT_KILL_PROCESS));
    if (!filter) {
        refused("seccomp_init", ENOMEM);
    }
    const auto fd = static_cast<scmp_datum_t>(readFd);
    const auto allow = [&](int call, unsigned count, const scmp_arg_cmp* conditions) {
        if (const int result =
                seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, call, count, conditions);
            result != 0) {
            refused("seccomp_rule_add", -result);
        }
    };
    // Reading the open file, and nothing else.
    const scmp_arg_cmp onFile[] = {SCMP_A0(SCMP_CMP_EQ, fd)};
    for (const int call : {SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(lseek), SCMP_SYS(fstat),
                           SCMP_SYS(newfstatat), SCMP_SYS(close)}) {
        allow(call, 1, onFile);
    }
    // Writing the answer (and any library's complaint to standard error).
    for (const scmp_datum_t out : {scmp_datum_t{1}, scmp_datum_t{2}}) {
        const scmp_arg_cmp onOutput[] = {SCMP_A0(SCMP_CMP_EQ, out)};
        allow(SCMP_SYS(write), 1, onOutput);
    }
    // Memory, never executable.
    const scmp_arg_cmp notExecutable[] = {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)};
    allow(SCMP_SYS(mmap), 1, notExecutable);
    allow(SCMP_SYS(mprotect), 1, notExecutable);
    for (const int call : {SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(brk), SCMP_SYS(madvise)}) {
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

void enterSandbox(int, const SandboxLimits&) {}

#endif

bool sandboxBuilt() noexcept {
    return TESSELIN_SANDBOX != 0;
}

}  // namespace tesselin
