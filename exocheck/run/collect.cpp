#include "run/collect.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "run/now_ms.h"
#include "run/proc.h"

namespace exocheck {

namespace {

// How often the memory of the processes is looked at: what they can take
// between two looks is what they exceed the cap by.
constexpr long memory_period_ms = 10;

// write() with SIGPIPE blocked in this thread: a reader gone makes it fail
// with EPIPE, and the SIGPIPE it raised is taken away before the signal is
// unblocked (unless one was already waiting).
ssize_t write_without_sigpipe(int fd, std::string_view bytes) {
    sigset_t pipe_only, saved, pending;
    sigemptyset(&pipe_only);
    sigaddset(&pipe_only, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_only, &saved);
    sigpending(&pending);
    const bool waiting = sigismember(&pending, SIGPIPE) == 1;
    const ssize_t k = write(fd, bytes.data(), bytes.size());
    const int error = errno;
    if (k < 0 && error == EPIPE && !waiting) {
        const timespec now{};
        while (sigtimedwait(&pipe_only, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    errno = error;
    return k;
}

void write_some(ChildStreams &s, std::string_view input, std::size_t &written, bool keep_open) {
    const ssize_t k = write_without_sigpipe(s.to_in.get(), input.substr(written));
    if (k < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (k > 0) written += static_cast<std::size_t>(k);
    if (k < 0) written = input.size();  // the process closed its input: nothing more goes
    if (written == input.size() && !keep_open) s.to_in.reset();
}

// Reads what is there; false once the stream passed the cap. At the end of
// the stream (EOF, or EIO from a terminal no process holds) it is closed.
bool read_some(Fd &from, std::string &sink, std::size_t cap) {
    char buf[65536];
    const ssize_t k = read(from.get(), buf, sizeof buf);
    if (k < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (k <= 0) {
        from.reset();
        return true;
    }
    sink.append(buf, static_cast<std::size_t>(k));
    if (sink.size() <= cap) return true;
    sink.resize(cap);
    return false;
}

// read_some when poll said the stream is ready.
bool read_ready(const pollfd &polled, Fd &from, std::string &sink, std::size_t cap) {
    return polled.revents == 0 || read_some(from, sink, cap);
}

// Without a process descriptor: whether `pid` has ended, leaving it to be reaped.
bool has_ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// How long to wait for the streams, `left` before the deadline: without a
// process descriptor, the end is looked for every few ms; the memory, when
// it is due.
long poll_ms(long left, bool exit_polled, long memory_due) {
    const long until_memory = memory_due == LONG_MAX ? left : std::max(memory_due - now_ms(), 0L);
    return std::min({left, exit_polled ? left : 5L, until_memory});
}

bool ended(pid_t pid, bool exit_polled, const pollfd &exit_poll) {
    return exit_polled ? exit_poll.revents != 0 : has_ended(pid);
}

// At the time it is due (then due again a period later): whether `pid` and
// the processes below it use more memory than `cap`.
bool over_memory_cap(pid_t pid, std::size_t cap, long &due) {
    if (now_ms() < due) return false;
    due = now_ms() + memory_period_ms;
    return memory_in_use(pid) > cap;
}

bool drain_one(Fd &from, std::string &sink, std::size_t cap) {
    bool within = true;
    while (from.is_open() && within) {
        const std::size_t before = sink.size();
        within = read_some(from, sink, cap);
        if (sink.size() == before && from.is_open()) break;  // nothing more (EAGAIN)
    }
    return within;
}


}  // namespace

Pipe make_pipe(bool child_reads) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    Pipe p = child_reads ? Pipe{Fd(fds[1]), Fd(fds[0])} : Pipe{Fd(fds[0]), Fd(fds[1])};
    if (fcntl(p.ours.get(), F_SETFL, O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("fcntl: ") + std::strerror(errno));
    return p;
}

Collected collect(pid_t pid, std::string_view input, ChildStreams &s, const CollectLimits &limits,
                  std::string &out, std::string &err) {
    const Fd exit_fd(process_fd(pid));
    const bool watching_memory = limits.memory_cap != SIZE_MAX;
    long memory_due = now_ms() + memory_period_ms;
    std::size_t written = 0;
    if (input.empty() && !limits.keep_input_open) s.to_in.reset();
    for (;;) {
        const bool feeding = s.to_in.is_open() && written < input.size();
        pollfd fds[5] = {{feeding ? s.to_in.get() : -1, POLLOUT, 0},
                         {s.from_out.get(), POLLIN, 0},
                         {s.from_err.get(), POLLIN, 0},
                         {exit_fd.get(), POLLIN, 0},
                         {limits.watch, POLLIN, 0}};
        const long left = limits.deadline_ms - now_ms();
        if (left <= 0) return Collected::timed_out;
        const long wait_ms = poll_ms(left, exit_fd.is_open(), watching_memory ? memory_due : LONG_MAX);
        if ((poll(fds, 5, static_cast<int>(wait_ms)) < 0 && errno != EINTR) || fds[4].revents != 0)
            return Collected::interrupted;
        if (fds[0].revents != 0) write_some(s, input, written, limits.keep_input_open);
        if (!read_ready(fds[1], s.from_out, out, limits.output_cap) ||
            !read_ready(fds[2], s.from_err, err, limits.output_cap))
            return Collected::capped;
        if (ended(pid, exit_fd.is_open(), fds[3])) return Collected::exited;
        if (watching_memory && over_memory_cap(pid, limits.memory_cap, memory_due)) return Collected::memory;
    }
}

bool drain(ChildStreams &streams, std::size_t output_cap, std::string &out, std::string &err) {
    const bool out_within = drain_one(streams.from_out, out, output_cap);
    const bool err_within = drain_one(streams.from_err, err, output_cap);
    return out_within && err_within;
}

}  // namespace exocheck
