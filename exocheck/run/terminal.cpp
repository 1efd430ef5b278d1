#include "run/terminal.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "run/launcher.h"
#include "run/ptys.h"
#include "run/start.h"

namespace exocheck {

Terminal::Terminal(const std::string &path) {
    const Pty pty = open_plain_pty();
    if (pty.master < 0) throw std::runtime_error("no pseudo-terminal");
    master_ = pty.master;
    ProcessSetup setup;
    setup.command = launch_command(path, {});
    setup.descriptors = {pty.slave, pty.slave, pty.slave};
    setup.new_session = true;
    setup.controlling_terminal = true;
    const Started started = start_process(setup);
    close(pty.slave);
    if (!started) throw std::runtime_error("cannot start " + path + " at a terminal: " + started.describe());
    pid_ = started.pid;
}

Terminal::~Terminal() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        reap(pid_);
    }
    if (master_ >= 0) close(master_);
}

bool Terminal::read_some(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char buf[4096];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return false;  // EIO: the program has closed the terminal
    screen_.append(buf, static_cast<size_t>(n));
    return true;
}

namespace {

auto deadline_after(int timeout_ms) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
}

}  // namespace

bool Terminal::wait_for(const std::string &text, int timeout_ms) {
    const auto deadline = deadline_after(timeout_ms);
    while (screen_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!read_some(20)) usleep(5000);
    }
    return true;
}

void Terminal::type(const std::string &keys) const {
    if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        throw std::runtime_error("cannot type on the terminal");
}

int Terminal::finish(int timeout_ms) {
    const auto deadline = deadline_after(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (read_some(20)) continue;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            while (read_some(0)) {
            }
            pid_ = -1;
            return status;
        }
        usleep(5000);
    }
    throw std::runtime_error("the program did not end");
}

}  // namespace exocheck
