#include "main/interrupt.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "run/proc.h"

namespace exocheck {

namespace {

constexpr int WATCHED[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t watched() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : WATCHED) sigaddset(&set, signal);
    return set;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> clean_up) : clean_up_(std::move(clean_up)) {
    const sigset_t set = watched();
    if (pthread_sigmask(SIG_BLOCK, &set, &saved_mask_) != 0) throw std::runtime_error("pthread_sigmask");
    signals_ = Fd(signalfd(-1, &set, SFD_CLOEXEC));
    stop_ = Fd(eventfd(0, EFD_CLOEXEC));
    if (!signals_.is_open() || !stop_.is_open()) {
        pthread_sigmask(SIG_SETMASK, &saved_mask_, nullptr);
        throw std::runtime_error("signalfd");
    }
    thread_ = std::thread([this] {
        pollfd fds[2] = {{signals_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        while (poll(fds, 2, -1) < 0 && errno == EINTR) {
        }
        signalfd_siginfo info{};
        if (fds[1].revents != 0 || read(signals_.get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            return;
        clean_up_();
        _exit(128 + static_cast<int>(info.ssi_signo));
    });
}

InterruptWatch::~InterruptWatch() {
    const std::uint64_t stop = 1;
    [[maybe_unused]] const ssize_t k = write(stop_.get(), &stop, sizeof stop);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &saved_mask_, nullptr);
}

void kill_children() noexcept {
    try {
        // Its group too: what a compiler started (cc1, as, ld) dies with it.
        for (const pid_t child : own_children()) {
            kill(-child, SIGKILL);
            kill(child, SIGKILL);
        }
    } catch (...) {
        // Only memory can run out here: the process ends anyway.
    }
}

}  // namespace exocheck
