#include "progress_line.h"

#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>

namespace tesselin {
namespace {

using namespace std::chrono_literals;

constexpr auto kShownAfter = 1s;
constexpr auto kRedrawEvery = 250ms;

void writeAll(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
        if (n <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string timeLeft(double seconds) {
    if (seconds < 60) {
        return "about " + std::to_string(static_cast<int>(std::ceil(seconds))) + " s left";
    }
    const auto minutes = static_cast<int>(std::ceil(seconds / 60));
    return "about " + std::to_string(minutes) + " min left";
}

}  // namespace

ProgressLine::ProgressLine(bool enabled) : m_enabled(enabled && ::isatty(STDERR_FILENO) == 1) {
    if (!m_enabled) {
        return;
    }
    // The thread starts with the signals blocked, so that an interruption
    // always reaches the thread that writes the results.
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    m_thread = std::jthread([this](const std::stop_token& stop) {
        std::mutex sleeping;
        std::condition_variable_any wake;  // woken by the stop, so the end waits for nothing
        std::unique_lock lock(sleeping);
        while (!wake.wait_for(lock, stop, kRedrawEvery, [] { return false; }) &&
               !stop.stop_requested()) {
            draw();
        }
    });
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

ProgressLine::~ProgressLine() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
    endRun();
}

void ProgressLine::beginRun(std::string name) {
    const std::lock_guard lock(m_mutex);
    m_run = std::move(name);
    m_stage.clear();
    m_measured = false;
    m_runStart = m_stageStart = Clock::now();
    m_running = true;
}

Progress* ProgressLine::stage(std::string name, bool measured) {
    const std::lock_guard lock(m_mutex);
    m_stage = std::move(name);
    m_measured = measured;
    m_progress.begin(0);
    m_stageStart = Clock::now();
    return measured ? &m_progress : nullptr;
}

void ProgressLine::endRun() {
    const std::lock_guard lock(m_mutex);
    m_running = false;
    m_measured = false;
    clear();
}

void ProgressLine::write(std::string_view text) {
    const std::lock_guard lock(m_mutex);
    clear();
    writeAll(text);
}

void ProgressLine::draw() {
    const std::lock_guard lock(m_mutex);
    const auto now = Clock::now();
    if (!m_running || now - m_runStart < kShownAfter) {
        return;
    }
    std::string line = "\r" + m_run + ": " + m_stage;
    if (m_measured && m_progress.begun()) {
        const double done = m_progress.fraction();
        line += " " + std::to_string(static_cast<int>(done * 100)) + "%";
        const double elapsed = std::chrono::duration<double>(now - m_stageStart).count();
        if (done > 0.01 && elapsed > 0.5) {
            line += ", " + timeLeft(elapsed * (1 - done) / done);
        }
    }
    writeAll(line + "\x1b[K");
    m_shown = true;
}

void ProgressLine::clear() {
    if (m_shown) {
        writeAll("\r\x1b[K");
        m_shown = false;
    }
}

}  // namespace tesselin
