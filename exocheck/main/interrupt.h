// Ctrl-C, SIGTERM and SIGHUP during a check: every run killed, every
// temporary directory removed, and exit with status 128 + the signal (130
// for SIGINT, 143 for SIGTERM).
#pragma once

#include <csignal>
#include <functional>
#include <thread>

#include "run/fd.h"

namespace exocheck {

class InterruptWatch {
public:
    // From now on, the first of those signals calls `clean_up` on a thread
    // of this watch, then ends the process with 128 + the signal. The
    // signals are blocked in the calling thread and taken by the watch: it
    // must be made before any other thread of the process is started (they
    // inherit the blocked signals), else such a thread could die of one.
    explicit InterruptWatch(std::function<void()> clean_up);
    ~InterruptWatch();  // the signals blocked as before, those waiting acted on
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

private:
    std::function<void()> clean_up_;
    sigset_t saved_mask_{};
    Fd signals_;  // a signalfd of the watched signals
    Fd stop_;     // an eventfd: the watch ends
    std::thread thread_;
};

// Kills (SIGKILL) every child process of this one still running, such as
// a reference program's run, with the process group each one leads.
void kill_children() noexcept;

}  // namespace exocheck
