#pragma once

#include <cstdint>

namespace tesselin {

struct SandboxLimits {
    std::uint64_t memoryBytes = 0;  // address space
    std::uint32_t cpuSeconds = 0;
};

// Gives up, for the rest of the process's life, every right but writing to
// standard output and standard error, allocating memory (never executable,
// never backed by a file) and exiting; and sets limits on memory and
// processor time. A system call outside these rights ends the process at
// once (SIGSYS).
//
// Before the filter goes on it closes every descriptor but 0, 1 and 2 (the
// caller has taken what it reads into memory), and lets the libraries load
// what they would otherwise load lazily from files: the time zone (the
// compound-file library turns timestamps into local time), GLib's log writer
// (sent to standard error, never to the system log) and the character sets.
// Throws a Failure when the kernel refuses the filter, so that nothing is
// read without it.
//
// Builds with TESSELIN_SANDBOX=0 (the sanitizer build, which reserves address
// space and checks for leaks at exit) prepare the same but set no filter and
// no limits.
void enterSandbox(const SandboxLimits& limits);

// The first step alone: every descriptor from 3 on closed.
void closeInheritedDescriptors();

// False in the builds that leave the sandbox out.
bool sandboxBuilt() noexcept;

}  // namespace tesselin
