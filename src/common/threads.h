#pragma once

#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace tesselin {

// Starts a thread of work; false when the system cannot start one
// (no memory for its stack, a limit on threads): the caller then does that
// thread's work with fewer threads, never fails for it.
template <typename Work>
bool startThread(std::vector<std::jthread>& threads, Work& work, std::size_t index) {
    try {
        threads.emplace_back(work, index);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace tesselin
