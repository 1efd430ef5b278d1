#include "run/terminal.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "run/launcher.h"

namespace exocheck {

Terminal::Terminal(const std::string &path) {
    // Made before the fork, which may copy a process with other threads: the
    // child then only calls what is safe after it.
    std::vector<std::string> command = launch_command(path, {});
    std::string program = command[0];
    if (program.find('/') == std::string::npos && !find_on_path(program).empty()) program = find_on_path(program);
    std::vector<char *> argv;
    argv.reserve(command.size() + 1);
    for (std::string &word : command) argv.push_back(word.data());  // cppcheck-suppress useStlAlgorithm
    argv.push_back(nullptr);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ < 0) throw std::runtime_error("forkpty failed");
    if (pid_ == 0) {
        signal(SIGPIPE, SIG_DFL);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

Terminal::~Terminal() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
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
