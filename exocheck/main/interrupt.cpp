#include "main/interrupt.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace exocheck {

namespace {

constexpr int WATCHED[] = {SIGINT, SIGTERM, SIGHUP};

// The handler only writes the signal's number into this pipe (the one thing
// a handler may safely do); the watch's thread reads it. 0 stops the watch.
int signal_pipe[2] = {-1, -1};

extern "C" void on_signal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t k = write(signal_pipe[1], &byte, 1);
    errno = saved;
}

void set_handler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : WATCHED) sigaction(signal, &action, nullptr);
}

// The parent's process id in /proc/<pid>/stat, whose second field (the
// command, in parentheses) may hold spaces and parentheses of its own.
pid_t parent_of(const std::string &pid) {
    FILE *stat = std::fopen(("/proc/" + pid + "/stat").c_str(), "re");
    if (stat == nullptr) return -1;
    char text[1024];
    const std::size_t length = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[length] = '\0';
    const std::string line(text);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    char state = 0;
    int parent = -1;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2 || state == 'Z') return -1;
    return parent;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> clean_up) : clean_up_(std::move(clean_up)) {
    if (pipe2(signal_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    thread_ = std::thread([this] {
        unsigned char signal = 0;
        while (read(signal_pipe[0], &signal, 1) < 0 && errno == EINTR) {
        }
        if (signal == 0) return;
        clean_up_();
        _exit(128 + signal);
    });
    set_handler(on_signal);
}

InterruptWatch::~InterruptWatch() {
    set_handler(SIG_DFL);
    const unsigned char stop = 0;
    [[maybe_unused]] const ssize_t k = write(signal_pipe[1], &stop, 1);
    thread_.join();
    close(signal_pipe[0]);
    close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}

void kill_children() noexcept {
    try {
        DIR *proc = opendir("/proc");
        if (proc == nullptr) return;
        const pid_t self = getpid();
        while (const dirent *entry = readdir(proc)) {
            const std::string name = entry->d_name;
            if (name.find_first_not_of("0123456789") == std::string::npos && parent_of(name) == self)
                kill(static_cast<pid_t>(std::stol(name)), SIGKILL);
        }
        closedir(proc);
    } catch (...) {
        // Only std::string can throw here (memory): the process ends anyway.
    }
}

}  // namespace exocheck
