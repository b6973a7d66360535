#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace tesselin {

// How far a long piece of work has come: the threads doing it add what they
// have done, another thread reads the fraction to show it.
class Progress {
public:
    void begin(std::uint64_t total) noexcept {
        m_done.store(0, std::memory_order_relaxed);
        m_total.store(total, std::memory_order_relaxed);
    }
    void advance(std::uint64_t amount) noexcept {
        m_done.fetch_add(amount, std::memory_order_relaxed);
    }
    // Whether the work has begun with a known total.
    bool begun() const noexcept { return m_total.load(std::memory_order_relaxed) != 0; }
    // From 0 to 1; 0 before the work has begun.
    double fraction() const noexcept {
        const std::uint64_t total = m_total.load(std::memory_order_relaxed);
        return total == 0
                   ? 0.0
                   : std::min(1.0, static_cast<double>(m_done.load(std::memory_order_relaxed)) /
                                       static_cast<double>(total));
    }

private:
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_total{0};
};

}  // namespace tesselin
