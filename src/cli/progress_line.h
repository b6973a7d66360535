#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "common/Progress.h"

namespace tesselin {

// One line on standard error that tells how far a long run has come
// ("star.csv: computing 42%, about 12 s left"), redrawn in place. It appears
// only once a run has taken a second, and only when standard error is a
// terminal; it is cleared when the run ends. Its thread never takes the
// signals that end the program.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // A new run (the data set's name) begins.
    void beginRun(std::string name);
    // A stage of the run, by name. A measured stage gives the progress for
    // its work to advance; it lives as long as this line.
    Progress* stage(std::string name, bool measured);
    // The run has ended: the line goes.
    void endRun();
    // Writes text on standard error, the line out of its way.
    void write(std::string_view text);

private:
    using Clock = std::chrono::steady_clock;
    void draw();
    void clear();

    bool m_enabled;
    std::mutex m_mutex;
    std::string m_run;
    std::string m_stage;
    Progress m_progress;
    bool m_measured = false;
    Clock::time_point m_runStart;
    Clock::time_point m_stageStart;
    bool m_running = false;
    bool m_shown = false;
    std::jthread m_thread;
};

}  // namespace tesselin
