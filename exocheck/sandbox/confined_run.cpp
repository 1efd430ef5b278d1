#include "sandbox/confined_run.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <map>
#include <string_view>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "run/fd.h"
#include "run/launcher.h"
#include "sandbox/leftovers.h"
#include "run/ptys.h"
#include "run/now_ms.h"

namespace exocheck {

namespace {

// Enough for a candidate in C, C++, Python or a shell. A sanitizer's runtime
// reserves terabytes of address space it never uses: a candidate built with
// one is held to the same amount of memory actually used, by the runtime.
constexpr rlim_t address_space_limit = rlim_t{512} << 20;
constexpr const char *sanitizer_memory_limit = "ASAN_OPTIONS=hard_rss_limit_mb=512";
// No exercise writes files; a few to its directory are fine, a flood is not.
constexpr rlim_t file_size_limit = rlim_t{16} << 20;

// The program to execute for a command word: a path as it is, a bare name
// (an emulator's) found on PATH.
std::string resolve(const std::string &word) {
    if (word.find('/') != std::string::npos) return word;
    const std::string found = find_on_path(word);
    return found.empty() ? word : found;
}

// Everything the started process needs, made before it is started: between
// its start and exec nothing is allocated.
struct Launch {
    std::string program;
    std::vector<std::string> words, environment;
    std::vector<char *> argv, envp;
    std::string directory;
    rlim_t cpu_seconds = 0;
    int in = -1, out = -1, err = -1;  // the candidate's ends of its streams
    int report = -1;                  // where a failed exec tells its errno
    bool sanitized = false;           // memory held by the sanitizer, not by the address space
};

// Whether the executable at `path` carries AddressSanitizer (its start-up
// call is named in it, linked statically or not). Asked once per path: the
// candidates do not change during a check.
bool sanitized(const std::string &path) {
    static std::map<std::string, bool> known;
    if (const auto found = known.find(path); found != known.end()) return found->second;
    constexpr std::string_view mark = "__asan_init";
    bool found = false;
    const Fd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string window;
    char chunk[65536];
    for (ssize_t n = 0; !found && file.is_open() && (n = read(file.get(), chunk, sizeof chunk)) > 0;) {
        window.append(chunk, static_cast<std::size_t>(n));
        found = window.find(mark) != std::string::npos;
        const std::size_t keep = mark.size() - 1;  // a mark across two chunks is still seen
        if (window.size() > keep) window.erase(0, window.size() - keep);
    }
    return known[path] = found;
}

std::vector<char *> pointers(std::vector<std::string> &strings) {
    std::vector<char *> p;
    p.reserve(strings.size() + 1);
    for (std::string &s : strings) p.push_back(s.data());  // cppcheck-suppress useStlAlgorithm
    p.push_back(nullptr);
    return p;
}

std::vector<std::string> reduced_environment(const std::string &directory) {
    const char *path = std::getenv("PATH");
    std::vector<std::string> env = {
        std::string("PATH=") + (path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin"),
        "HOME=" + directory, "TMPDIR=" + directory, "LANG=C.UTF-8"};
    if (const char *emulator = std::getenv("PETITS_EMULATOR")) env.push_back(std::string("PETITS_EMULATOR=") + emulator);
    return env;
}

void limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit value{soft, hard};
    setrlimit(resource, &value);
}

// The started process, until it becomes the candidate: only system calls,
// in the worker's memory (CLONE_VM), on a stack of its own. A failed exec is
// told through l.report (close-on-exec: nothing comes when exec succeeds).
int become_candidate(void *launch) {
    const Launch &l = *static_cast<const Launch *>(launch);
    setsid();  // its own session and process group, killed whole
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    limit(RLIMIT_CORE, 0, 0);
    limit(RLIMIT_CPU, l.cpu_seconds, l.cpu_seconds + 1);
    if (!l.sanitized) limit(RLIMIT_AS, address_space_limit, address_space_limit);
    limit(RLIMIT_FSIZE, file_size_limit, file_size_limit);
    dup2(l.in, 0);
    dup2(l.out, 1);
    dup2(l.err, 2);
    signal(SIGPIPE, SIG_DFL);  // the worker ignores it
    if (chdir(l.directory.c_str()) == 0) execve(l.program.c_str(), l.argv.data(), l.envp.data());
    const int error = errno;
    if (write(l.report, &error, sizeof error) < 0) _exit(126);
    _exit(127);
}

// Starts the process as vfork does (the worker waits until it has become the
// candidate): no copy of the worker's memory. Under an emulator that makes it
// a fork, the report still comes. -1 with errno set when it cannot start.
pid_t start_process(Launch &l) {
    alignas(64) static char stack[256 * 1024];  // one run at a time per worker
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -1;
    l.report = report[1];
    const pid_t pid = clone(become_candidate, std::end(stack), CLONE_VM | CLONE_VFORK | SIGCHLD, &l);
    const int clone_error = errno;
    close(report[1]);
    int error = 0;
    const bool failed = pid > 0 && read(report[0], &error, sizeof error) == static_cast<ssize_t>(sizeof error);
    close(report[0]);
    if (pid < 0 || failed) {
        if (failed) waitpid(pid, nullptr, 0);
        errno = pid < 0 ? clone_error : error;
        return -1;
    }
    return pid;
}

// The ends exocheck's worker keeps, and what is left to write.
struct Streams {
    Fd to_in, from_out, from_err, exit_fd;
    std::string typed;  // what goes to standard input
    std::size_t written = 0;
};

void write_some(Streams &s, bool keep_open) {
    const ssize_t k = write(s.to_in.get(), s.typed.data() + s.written, s.typed.size() - s.written);
    if (k < 0 && errno == EAGAIN) return;
    if (k > 0) s.written += static_cast<std::size_t>(k);
    if (k < 0) s.written = s.typed.size();  // the candidate closed its input: nothing more goes
    // A terminal stays open: its hang-up would throw away the lines not read yet.
    if (s.written == s.typed.size() && !keep_open) s.to_in.reset();
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

// After every process is gone: what is left in the streams.
bool drain(Fd &from, std::string &sink, std::size_t cap) {
    bool within = true;
    while (from.is_open() && within) {
        const std::size_t before = sink.size();
        within = read_some(from, sink, cap);
        if (sink.size() == before && from.is_open()) break;  // nothing more (EAGAIN)
    }
    return within;
}

enum class Stop { exited, timed_out, capped, interrupted };

bool has_exited(const Streams &s, pid_t pid, const pollfd &exit_poll) {
    if (s.exit_fd.is_open()) return exit_poll.revents != 0;
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Feeds standard input and reads both outputs until the candidate ends or a
// limit is reached.
Stop exchange(Streams &s, pid_t pid, bool terminal, const RunLimits &limits, int watch, RunResult &result) {
    const long deadline = now_ms() + limits.timeout_ms;
    for (;;) {
        const bool feeding = s.to_in.is_open() && s.written < s.typed.size();
        pollfd fds[5] = {{feeding ? s.to_in.get() : -1, POLLOUT, 0},
                         {s.from_out.get(), POLLIN, 0},
                         {s.from_err.get(), POLLIN, 0},
                         {s.exit_fd.get(), POLLIN, 0},
                         {watch, POLLIN, 0}};
        const long left = deadline - now_ms();
        if (left <= 0) return Stop::timed_out;
        // Without a process descriptor, the end is looked for every few ms.
        const int wait_ms = s.exit_fd.is_open() ? static_cast<int>(left) : static_cast<int>(std::min(left, 5L));
        if (poll(fds, 5, wait_ms) < 0 && errno != EINTR) return Stop::interrupted;
        if (fds[4].revents != 0) return Stop::interrupted;
        if (fds[0].revents != 0) write_some(s, terminal);
        if (fds[1].revents != 0 && !read_some(s.from_out, result.out, limits.output_cap)) return Stop::capped;
        if (fds[2].revents != 0 && !read_some(s.from_err, result.err, limits.output_cap)) return Stop::capped;
        if (has_exited(s, pid, fds[3])) return Stop::exited;
    }
}

void record_end(int status, const rusage &usage, rlim_t cpu_limit, RunResult &r) {
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
        return;
    }
    if (!WIFSIGNALED(status)) return;
    r.signal = WTERMSIG(status);
    // At the CPU limit the kernel sends SIGXCPU, then SIGKILL at its hard value.
    const long cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec;
    if ((r.signal == SIGXCPU || r.signal == SIGKILL) && cpu >= static_cast<long>(cpu_limit)) r.timed_out = true;
}

// Opens the candidate's streams; false (errno set) when one cannot be.
bool open_streams(bool terminal, Streams &mine, Fd (&theirs)[3]) {
    const Pty out = open_output_pty();
    if (out.master < 0) return false;
    mine.from_out = Fd(out.master);
    theirs[1] = Fd(out.slave);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    mine.from_err = Fd(fds[0]);
    theirs[2] = Fd(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    if (terminal) {
        const Pty in = open_input_pty();
        if (in.master < 0) return false;
        mine.to_in = Fd(in.master);
        theirs[0] = Fd(in.slave);
        return true;
    }
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    theirs[0] = Fd(fds[0]);
    mine.to_in = Fd(fds[1]);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    return true;
}

// Starts the candidate; its pid, or -1 with result.start_error set.
pid_t start(const RunRequest &request, const RunLimits &limits, const std::string &directory, Streams &mine,
            RunResult &result) {
    Fd theirs[3];
    if (!open_streams(request.stdin_terminal, mine, theirs)) {
        result.start_error = errno;
        return -1;
    }
    Launch l;
    l.words = launch_command(request.candidate, {});
    l.program = resolve(l.words[0]);
    l.environment = reduced_environment(directory);
    l.sanitized = sanitized(request.candidate);
    if (l.sanitized) l.environment.emplace_back(sanitizer_memory_limit);
    l.argv = pointers(l.words);
    l.envp = pointers(l.environment);
    l.directory = directory;
    l.cpu_seconds = static_cast<rlim_t>(cpu_seconds(limits.timeout_ms));
    l.in = theirs[0].get();
    l.out = theirs[1].get();
    l.err = theirs[2].get();
    const pid_t pid = start_process(l);
    if (pid < 0) {
        result.start_error = errno;
        return -1;
    }
    mine.exit_fd = Fd(process_fd(pid));  // -1 on a kernel without it: then polled
    mine.typed = request.stdin_terminal ? keys(request.input) : request.input;
    if (mine.typed.empty()) mine.to_in.reset();
    return pid;
}

// The run itself, in `directory`: its streams are closed when it returns.
void run_in(const std::string &directory, const RunRequest &request, const RunLimits &limits, int watch,
            bool &interrupted, RunResult &result) {
    Streams s;
    const pid_t pid = start(request, limits, directory, s, result);
    if (pid <= 0) return;
    const Stop stop = exchange(s, pid, request.stdin_terminal, limits, watch, result);
    kill(-pid, SIGKILL);  // the group, while its leader's pid is still held
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    // What left the group came back to this process, a child subreaper;
    // where an emulator refuses that, it is looked for in the session.
    static const bool subreaper = [] {
        int value = 0;
        return prctl(PR_GET_CHILD_SUBREAPER, &value) == 0 && value != 0;
    }();
    if (!subreaper) kill_session(pid);
    kill_every_child();
    record_end(status, usage, static_cast<rlim_t>(cpu_seconds(limits.timeout_ms)), result);
    const bool out_within = drain(s.from_out, result.out, limits.output_cap);
    const bool err_within = drain(s.from_err, result.err, limits.output_cap);
    result.timed_out = result.timed_out || stop == Stop::timed_out;
    result.out_capped = stop == Stop::capped || !out_within || !err_within;
    interrupted = stop == Stop::interrupted;
}

}  // namespace

long cpu_seconds(int timeout_ms) { return (timeout_ms + 999) / 1000 + 1; }

RunResult run_confined(const RunRequest &request, const RunLimits &limits, const std::string &directory,
                       int watch, bool &interrupted) {
    RunResult result;
    interrupted = false;
    run_in(directory, request, limits, watch, interrupted, result);
    make_empty(directory);
    if (!result.exited) drop_emulator_report(result.err);
    return result;
}

}  // namespace exocheck
