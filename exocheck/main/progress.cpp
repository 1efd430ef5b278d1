#include "main/progress.h"

#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace exocheck {

namespace {

constexpr auto FIRST_AFTER = std::chrono::milliseconds(1000);
constexpr auto EVERY = std::chrono::milliseconds(200);

void write_error(const std::string &text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t k = write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (k <= 0) return;
        done += static_cast<std::size_t>(k);
    }
}

}  // namespace

ProgressLine::ProgressLine(std::string program, const CheckControl &control)
    : program_(std::move(program)), progress_(control) {
    if (isatty(STDERR_FILENO) == 1) thread_ = std::thread([this] { show_until_stopped(); });
}

ProgressLine::~ProgressLine() {
    erase();
    if (thread_.joinable()) thread_.join();
}

void ProgressLine::erase() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    if (shown_ > 0) {
        std::string blank(shown_ + 2, ' ');
        blank.front() = blank.back() = '\r';
        write_error(blank);
    }
    shown_ = 0;
    stop_.notify_all();
}

void ProgressLine::show_until_stopped() {
    std::unique_lock lock(mutex_);
    if (stop_.wait_for(lock, FIRST_AFTER, [this] { return stopped_; })) return;
    do {
        const std::size_t differences = progress_.differences;
        const std::string line = "exocheck : " + program_ + ", " + std::to_string(progress_.done) + " cas sur " +
                                 std::to_string(progress_.total) + ", " +
                                 (differences == 0 ? std::string("aucune différence")
                                                   : std::to_string(differences) +
                                                         (differences == 1 ? " différence" : " différences"));
        // Counted in characters: each accented letter is two bytes.
        const std::size_t width = line.size() - static_cast<std::size_t>(std::count(line.begin(), line.end(), '\xc3'));
        write_error("\r" + line + (width < shown_ ? std::string(shown_ - width, ' ') : ""));
        shown_ = std::max(shown_, width);
    } while (!stop_.wait_for(lock, EVERY, [this] { return stopped_; }));
}

}  // namespace exocheck
