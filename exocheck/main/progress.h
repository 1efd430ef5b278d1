// The progress of a check on a terminal: one line on standard error, shown
// when the check takes more than about a second, updated a few times a
// second and erased at the end. Nothing when standard error is not a
// terminal.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "check/check.h"

namespace exocheck {

class ProgressLine {
public:
    ProgressLine(std::string program, const CheckControl &control);
    ~ProgressLine();  // erases the line
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // Erases the line now, from any thread (an interrupt), and shows no more.
    void erase();

private:
    void show_until_stopped();

    const std::string program_;
    const CheckControl &progress_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopped_ = false;
    std::size_t shown_ = 0;  // characters of the line on the screen
    std::thread thread_;
};

}  // namespace exocheck
