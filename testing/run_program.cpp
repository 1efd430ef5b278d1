#include "run_program.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

[[noreturn]] void fail(const std::string &what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

long now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

void make_pipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) fail("pipe2");
}

}  // namespace

RunResult run_program(const std::string &path, std::string_view input, const RunOptions &options) {
    int in[2], out[2], err[2];
    make_pipe(in);
    make_pipe(out);
    make_pipe(err);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (options.stdout_path.empty())
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, options.stdout_path.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);

    // The test process ignores SIGPIPE (a child may stop reading its input
    // early); the child gets the default back, as from a shell.
    std::signal(SIGPIPE, SIG_IGN);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    char *argv[] = {const_cast<char *>(path.c_str()), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        errno = rc;
        fail("posix_spawn " + path);
    }

    // Feed standard input and drain both outputs together, so that a large
    // input or output never deadlocks on a full pipe.
    RunResult result;
    int to_child = in[1];
    size_t written = 0;
    if (input.empty()) {
        close(to_child);
        to_child = -1;
    } else {
        fcntl(to_child, F_SETFL, O_NONBLOCK);
    }
    int from_out = out[0], from_err = err[0];
    const long deadline = now_ms() + options.timeout_ms;
    while (from_out >= 0 || from_err >= 0 || to_child >= 0) {
        pollfd fds[3];
        nfds_t n = 0;
        if (to_child >= 0) fds[n++] = {to_child, POLLOUT, 0};
        if (from_out >= 0) fds[n++] = {from_out, POLLIN, 0};
        if (from_err >= 0) fds[n++] = {from_err, POLLIN, 0};
        long left = deadline - now_ms();
        if (left <= 0 || poll(fds, n, static_cast<int>(left)) == 0) {
            kill(pid, SIGKILL);
            result.timed_out = true;
            break;
        }
        for (nfds_t i = 0; i < n; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == to_child) {
                ssize_t k = write(to_child, input.data() + written, input.size() - written);
                if (k > 0) written += static_cast<size_t>(k);
                if (k < 0 || written == input.size()) {  // done, or the child closed its input
                    close(to_child);
                    to_child = -1;
                }
            } else {
                char buf[65536];
                ssize_t k = read(fds[i].fd, buf, sizeof buf);
                std::string &sink = fds[i].fd == from_out ? result.out : result.err;
                if (k > 0) {
                    sink.append(buf, static_cast<size_t>(k));
                } else {
                    close(fds[i].fd);
                    (fds[i].fd == from_out ? from_out : from_err) = -1;
                }
            }
        }
    }
    for (int fd : {to_child, from_out, from_err})
        if (fd >= 0) close(fd);

    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus)) {
        result.exited = true;
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
    return result;
}

std::string describe_end(const RunResult &r) {
    if (r.timed_out) return "timed out";
    if (r.exited) return "exit " + std::to_string(r.status);
    return "signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
}

bool exited_with(const RunResult &r, int status) {
    return !r.timed_out && r.exited && r.status == status;
}

bool aborted(const RunResult &r) {
    return !r.timed_out && !r.exited && r.signal == SIGABRT;
}
