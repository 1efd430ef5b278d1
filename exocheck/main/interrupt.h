// Ctrl-C, SIGTERM and SIGHUP during a check: every run killed, every
// temporary directory removed, and exit with status 128 + the signal (130
// for SIGINT, 143 for SIGTERM).
#pragma once

#include <functional>
#include <thread>

namespace exocheck {

class InterruptWatch {
public:
    // From now on, the first of those signals calls `clean_up` on a thread
    // of this watch, then ends the process with 128 + the signal.
    explicit InterruptWatch(std::function<void()> clean_up);
    ~InterruptWatch();  // the signals have their default action again
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

private:
    std::function<void()> clean_up_;
    std::thread thread_;
};

// Kills (SIGKILL) every child process of this one still running, such as
// a reference program's run.
void kill_children() noexcept;

}  // namespace exocheck
