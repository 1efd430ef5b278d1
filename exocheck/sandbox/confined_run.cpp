#include "sandbox/confined_run.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "run/collect.h"
#include "run/fd.h"
#include "run/launcher.h"
#include "run/now_ms.h"
#include "run/ptys.h"
#include "run/start.h"
#include "sandbox/leftovers.h"
#include "sandbox/view.h"

namespace exocheck {

namespace {

// Enough for a candidate in C, C++, Python or a shell. AddressSanitizer's
// runtime reserves terabytes of address space it never uses (its shadow):
// a candidate built with it is held instead to its data (the shadow, 14 TiB
// on x86-64, counted in) plus as much, and told so by its runtime, which
// then says why it stops. Whatever a program claims to be, the memory of a
// run's processes together is capped anyway (RunLimits::memory_cap).
constexpr rlim_t address_space_limit = rlim_t{512} << 20;
constexpr const char *sanitizer_memory_limit = "ASAN_OPTIONS=hard_rss_limit_mb=512";
#if defined(__x86_64__)
constexpr rlim_t sanitizer_data_limit = (rlim_t{14} << 40) + address_space_limit;
#endif
// No exercise writes files; a few to its directory are fine, a flood is not.
constexpr rlim_t file_size_limit = rlim_t{16} << 20;
// An enclosed run's /tmp, its working directory: a few tens of MiB in a few
// thousand files, whatever it writes (it counts against memory).
constexpr const char *run_space = "size=32m,nr_inodes=4096,mode=0700";
// Processes (a fork bomb stops there) and open files (each a memory file of
// up to the file-size limit at most) of an enclosed run.
constexpr rlim_t process_limit = 64;
constexpr rlim_t descriptor_limit = 64;

}  // namespace

bool built_with_address_sanitizer(const std::string &path) {
    static std::mutex mutex;  // the memory check asks from several threads
    const std::lock_guard lock(mutex);
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

namespace {

std::vector<std::string> reduced_environment(const std::string &directory, bool sandboxed) {
    // Inside the sandbox the machine's PATH may name folders it does not show.
    const char *path = sandboxed ? nullptr : std::getenv("PATH");
    std::vector<std::string> env = {
        std::string("PATH=") + (path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin"),
        "HOME=" + directory, "TMPDIR=" + directory, "LANG=C.UTF-8"};
    if (emulated()) {
        std::string line = "PETITS_EMULATOR=";
        for (const std::string &word : emulator()) line += word + (&word == &emulator().back() ? "" : " ");
        env.push_back(line);
    }
    return env;
}

// The candidate's streams: standard output a terminal in raw mode, standard
// error a pipe, standard input a pipe or a terminal. False (errno set) when
// one cannot be opened.
bool open_streams(bool terminal, const std::string &ptmx, ChildStreams &mine, Fd (&theirs)[3]) {
    const Pty out = open_output_pty(ptmx);
    if (out.master < 0) return false;
    mine.from_out = Fd(out.master);
    theirs[1] = Fd(out.slave);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    mine.from_err = Fd(fds[0]);
    theirs[2] = Fd(fds[1]);
    if (fcntl(fds[0], F_SETFL, O_NONBLOCK) != 0) return false;
    if (terminal) {
        const Pty in = open_input_pty(ptmx);
        if (in.master < 0) return false;
        mine.to_in = Fd(in.master);
        theirs[0] = Fd(in.slave);
        return true;
    }
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    theirs[0] = Fd(fds[0]);
    mine.to_in = Fd(fds[1]);
    return fcntl(fds[1], F_SETFL, O_NONBLOCK) == 0;
}

// An enclosed run: its own candidate only, read-only, where the view shows
// none; an empty /tmp of its own; a /proc of its own namespaces.
Enclosure enclosure_of(const std::string &candidate) {
    const unsigned long sealed = MS_NOSUID | MS_NODEV;
    return {{{candidate.substr(0, candidate.rfind('/')), run_candidate_root, "", MS_RDONLY | sealed, ""},
             {"tmpfs", "/tmp", "tmpfs", sealed, run_space},
             {"proc", "/proc", "proc", sealed | MS_NOEXEC, ""}}};
}

// What a candidate's start must be: its own session and process group
// (killed whole), killed with its worker, its limits, its directory; when
// enclosed, its namespaces and a few processes at most.
ProcessSetup candidate_start(const RunRequest &request, const WorkerSettings &settings, const std::string &directory,
                          const Fd (&theirs)[3]) {
    ProcessSetup setup;
    std::vector<std::string> command(request.wrapper);
    const std::vector<std::string> candidate = launch_command(request.candidate, {});
    command.insert(command.end(), candidate.begin(), candidate.end());
    setup.command = std::move(command);
    const std::string where = settings.enclosed ? "/tmp" : directory;
    if (settings.enclosed) {
        setup.enclosure = enclosure_of(request.candidate);
        std::replace(setup.command.begin(), setup.command.end(), request.candidate,
                     std::string(run_candidate_root) + request.candidate.substr(request.candidate.rfind('/')));
    }
    setup.descriptors = {theirs[0].get(), theirs[1].get(), theirs[2].get()};
    setup.environment = reduced_environment(where, settings.ptmx != "/dev/ptmx");
    setup.directory = where;
    setup.new_session = true;
    setup.parent_death_signal = SIGKILL;
    const auto cpu = static_cast<rlim_t>(cpu_seconds(settings.limits.timeout_ms));
    setup.limits = {{RLIMIT_CORE, 0, 0}, {RLIMIT_CPU, cpu, cpu + 1}, {RLIMIT_FSIZE, file_size_limit, file_size_limit}};
    // Counted in the run's own user namespace: unconfined, every process of
    // the user would count.
    if (settings.enclosed)
        setup.limits.insert(setup.limits.end(), {{RLIMIT_NPROC, process_limit, process_limit},
                                               {RLIMIT_NOFILE, descriptor_limit, descriptor_limit}});
    setup.environment->insert(setup.environment->end(), request.environment.begin(), request.environment.end());
    if (built_with_address_sanitizer(request.candidate)) {
        // Last in the sanitizer's options, whatever the run asks, so that
        // it holds.
        const auto asked = std::find_if(setup.environment->begin(), setup.environment->end(),
                                        [](const std::string &e) { return e.starts_with("ASAN_OPTIONS="); });
        if (asked == setup.environment->end())
            setup.environment->emplace_back(sanitizer_memory_limit);
        else
            *asked += std::string(":") + (sanitizer_memory_limit + std::strlen("ASAN_OPTIONS="));
#if defined(__x86_64__)
        setup.limits.push_back({RLIMIT_DATA, sanitizer_data_limit, sanitizer_data_limit});
#endif
    } else {
        setup.limits.push_back({RLIMIT_AS, address_space_limit, address_space_limit});
    }
    return setup;
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

// Kills everything the candidate left, its group killed already: what left
// the group came back to this process, a child subreaper; where an emulator
// refuses that, it is looked for in the session.
void kill_what_remains(pid_t pid) {
    int subreaper = 0;
    if (prctl(PR_GET_CHILD_SUBREAPER, &subreaper) != 0 || subreaper == 0) kill_session(pid);
    kill_every_child();
}

// How the run's processes ended: the candidate's wait status and what its
// processes used. Enclosed, its init reports them, unless it was killed
// (at a limit): everything in the namespaces is gone once it is reaped.
// Otherwise every process the candidate left is killed first.
std::pair<int, rusage> end_of(const Started &started, bool enclosed) {
    rusage usage{};
    if (enclosed) {
        kill(started.pid, SIGKILL);  // no more than a zombie, when the run ended by itself
        reap(started.pid, &usage);
        if (const std::optional<ProgramEnd> ended = read_end(started.end.get())) return {ended->status, ended->usage};
        return {SIGKILL, usage};  // a wait status: killed by SIGKILL
    }
    kill(-started.pid, SIGKILL);  // the group, while its leader's pid is still held
    const int status = reap(started.pid, &usage);
    kill_what_remains(started.pid);
    return {status, usage};
}

// The run itself: its streams are closed when it returns.
void run_in(const std::string &directory, const RunRequest &request, const WorkerSettings &settings, int watch,
            ConfinedRun &run) {
    RunResult &result = run.result;
    const RunLimits &limits = settings.limits;
    ChildStreams mine;
    Started started;
    {
        Fd theirs[3];
        if (!open_streams(request.stdin_terminal, settings.ptmx, mine, theirs)) {
            run.failure = std::string("pseudo-terminal or pipe: ") + std::strerror(errno);
            return;
        }
        started = start_process(candidate_start(request, settings, directory, theirs));
    }
    if (!started) {
        if (started.step == "exec")
            result.start_error = started.error;
        else
            run.failure = started.describe();
        return;
    }
    const std::string typed = request.stdin_terminal ? keys(request.input) : request.input;
    CollectLimits collect_limits{now_ms() + limits.timeout_ms, limits.output_cap, limits.memory_cap, watch,
                                 request.stdin_terminal};
    const Collected stop = collect(started.pid, typed, mine, collect_limits, result.out, result.err);
    const auto [status, usage] = end_of(started, settings.enclosed);
    record_end(status, usage, static_cast<rlim_t>(cpu_seconds(limits.timeout_ms)), result);
    const bool within = drain(mine, limits.output_cap, result.out, result.err);
    result.timed_out = result.timed_out || stop == Collected::timed_out;
    result.out_capped = stop == Collected::capped || !within;
    result.memory_capped = stop == Collected::memory;
    run.interrupted = stop == Collected::interrupted;
}

}  // namespace

long cpu_seconds(int timeout_ms) { return (timeout_ms + 999) / 1000 + 1; }

ConfinedRun run_confined(const RunRequest &request, const WorkerSettings &settings, const std::string &directory,
                         int watch) {
    ConfinedRun run;
    run_in(directory, request, settings, watch, run);
    if (!settings.enclosed && !make_empty(directory) && run.failure.empty()) run.failure = "cannot empty " + directory;
    if (!run.result.exited) drop_emulator_report(run.result.err);
    return run;
}

}  // namespace exocheck
