#pragma once

#include <cstdint>

namespace tesselin {

struct SandboxLimits {
    std::uint64_t memoryBytes = 0;  // address space
    std::uint32_t cpuSeconds = 0;
};

// Gives up, for the rest of the process's life, every right but reading the
// already open file `readFd`, writing to standard output and standard error,
// allocating memory and exiting; and sets limits on memory and processor
// time. A system call outside these rights ends the process at once
// (SIGSYS). Throws a Failure when the kernel refuses the filter, so that
// nothing is read without it.
//
// Builds with TESSELIN_SANDBOX=0 (the sanitizer build, which reserves address
// space and checks for leaks at exit) set no filter and no limits.
void enterSandbox(int readFd, const SandboxLimits& limits);

// False in the builds that leave the sandbox out.
bool sandboxBuilt() noexcept;

}  // namespace tesselin
