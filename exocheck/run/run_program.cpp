#include "run/run_program.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "run/fd.h"
#include "run/launcher.h"
#include "run/now_ms.h"

namespace exocheck {

namespace {

[[noreturn]] void fail(const std::string &what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

struct Pipe {
    Fd read, write;
};

Pipe make_pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) fail("pipe2");
    return {Fd(fds[0]), Fd(fds[1])};
}

// The pipes of the child's standard input, output and error.
struct Pipes {
    Pipe in, out, err;
};

void redirect_standard_streams(posix_spawn_file_actions_t &actions, const Pipes &pipes,
                               const std::string &stdout_path) {
    posix_spawn_file_actions_adddup2(&actions, pipes.in.read.get(), 0);
    if (stdout_path.empty())
        posix_spawn_file_actions_adddup2(&actions, pipes.out.write.get(), 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipes.err.write.get(), 2);
}

void default_sigpipe(posix_spawnattr_t &attr) {
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
}

// The file actions and attributes of one posix_spawn call.
struct SpawnSetup {
    SpawnSetup(const Pipes &pipes, const std::string &stdout_path) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
        redirect_standard_streams(actions, pipes, stdout_path);
        default_sigpipe(attr);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

pid_t spawn(const std::string &path, const Pipes &pipes, const RunOptions &options) {
    // The test process ignores SIGPIPE (a child may stop reading its input
    // early); the child gets the default back, as from a shell.
    std::signal(SIGPIPE, SIG_IGN);
    SpawnSetup setup(pipes, options.stdout_path);
    const std::vector<std::string> command = launch_command(path, options.arguments);
    std::vector<char *> argv;
    argv.reserve(command.size() + 1);
    for (const std::string &word : command) argv.push_back(const_cast<char *>(word.c_str()));  // cppcheck-suppress useStlAlgorithm
    argv.push_back(nullptr);
    pid_t pid = 0;
    // The emulator, when there is one, is found on PATH.
    int rc = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
    if (rc != 0) {
        errno = rc;
        fail("posix_spawn " + path);
    }
    return pid;
}

// The parent's ends of the child's standard streams, each closed when done.
struct Streams {
    Fd to_child, from_out, from_err;
    bool any_open() const { return to_child.is_open() || from_out.is_open() || from_err.is_open(); }
};

// Keeps the parent's ends; the child's ends close with `pipes`.
Streams parent_ends(Pipes pipes, std::string_view input) {
    Streams s{std::move(pipes.in.write), std::move(pipes.out.read), std::move(pipes.err.read)};
    if (input.empty())
        s.to_child.reset();
    else
        fcntl(s.to_child.get(), F_SETFL, O_NONBLOCK);
    return s;
}

// False when the deadline passes before any open stream is ready.
bool wait_ready(const Streams &s, long deadline, pollfd (&fds)[3]) {
    // poll skips the entries of closed streams: their descriptor is -1.
    fds[0] = {s.to_child.get(), POLLOUT, 0};
    fds[1] = {s.from_out.get(), POLLIN, 0};
    fds[2] = {s.from_err.get(), POLLIN, 0};
    long left = deadline - now_ms();
    return left > 0 && poll(fds, 3, static_cast<int>(left)) != 0;
}

void write_some(Fd &to, std::string_view input, std::size_t &written) {
    ssize_t k = write(to.get(), input.data() + written, input.size() - written);
    if (k > 0) written += static_cast<std::size_t>(k);
    if (k < 0 || written == input.size()) to.reset();  // done, or the child closed its input
}

void read_some(Fd &from, std::string &sink) {
    char buf[65536];
    ssize_t k = read(from.get(), buf, sizeof buf);
    if (k > 0)
        sink.append(buf, static_cast<std::size_t>(k));
    else
        from.reset();
}

// Feeds standard input and drains both outputs together, so that a large
// input or output never deadlocks on a full pipe. False on timeout.
bool exchange(Streams &s, std::string_view input, RunResult &result, long deadline) {
    std::size_t written = 0;
    while (s.any_open()) {
        pollfd fds[3];
        if (!wait_ready(s, deadline, fds)) return false;
        if (fds[0].revents != 0) write_some(s.to_child, input, written);
        if (fds[1].revents != 0) read_some(s.from_out, result.out);
        if (fds[2].revents != 0) read_some(s.from_err, result.err);
    }
    return true;
}

void reap(pid_t pid, RunResult &result) {
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus)) {
        result.exited = true;
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
}

}  // namespace

RunResult run_program(const std::string &path, std::string_view input, const RunOptions &options) {
    Pipes pipes{make_pipe(), make_pipe(), make_pipe()};
    const pid_t pid = spawn(path, pipes, options);
    RunResult result;
    {
        Streams streams = parent_ends(std::move(pipes), input);
        if (!exchange(streams, input, result, now_ms() + options.timeout_ms)) {
            kill(pid, SIGKILL);
            result.timed_out = true;
        }
    }
    reap(pid, result);
    if (!result.exited) drop_emulator_report(result.err);
    return result;
}

std::string describe_end(const RunResult &r) {
    if (r.start_error != 0) return std::string("not started (") + std::strerror(r.start_error) + ")";
    if (r.timed_out) return "timed out";
    if (r.out_capped) return "output too long";
    if (r.exited) return "exit " + std::to_string(r.status);
    return "signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
}

bool exited_with(const RunResult &r, int status) {
    return !r.timed_out && !r.out_capped && r.exited && r.status == status;
}

bool aborted(const RunResult &r) {
    return !r.timed_out && !r.out_capped && !r.exited && r.signal == SIGABRT;
}

}  // namespace exocheck
