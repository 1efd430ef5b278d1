#include "run/start.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/fd.h"
#include "run/launcher.h"

namespace exocheck {

namespace {

// The steps of a start, as a failure names them.
enum Step : int { set_signals, new_session, death_signal, set_limit, move_descriptor, place_descriptor,
                  close_others, controlling_terminal, enter_directory, unblock_signals, execute };
constexpr const char *step_names[] = {"sigaction", "setsid", "prctl", "setrlimit", "fcntl", "dup2",
                                      "close_range", "TIOCSCTTY", "chdir", "sigprocmask", "exec"};

// What a failed start writes on its report pipe.
struct Failure {
    int step;
    int error;
};

// Everything the started process needs, made before it is started: between
// its start and exec it only makes system calls, in the starter's memory.
struct Plan {
    const StartSpec *spec = nullptr;
    std::string program;
    std::vector<std::string> words, environment;
    std::vector<char *> argv, envp;
    std::vector<int> moved;  // the descriptors' copies above their places
    int report = -1;         // where a failure is told (close-on-exec: nothing comes on success)
};

std::vector<char *> pointers(std::vector<std::string> &strings) {
    std::vector<char *> p;
    p.reserve(strings.size() + 1);
    for (std::string &s : strings) p.push_back(s.data());  // cppcheck-suppress useStlAlgorithm
    p.push_back(nullptr);
    return p;
}

[[noreturn]] void fail(int report, Step step) {
    const Failure failure{step, errno};
    // Nothing more can be done if the report cannot be written: the start
    // still fails, its process having ended before exec.
    [[maybe_unused]] const ssize_t k = write(report, &failure, sizeof failure);
    _exit(127);
}

// Every descriptor from `first` on closed.
bool close_from(int first) {
    if (close_range(static_cast<unsigned>(first), ~0U, 0) == 0) return true;
    if (errno != ENOSYS) return false;
    rlimit open_files{};  // a kernel before 5.9: one by one, up to the limit
    if (getrlimit(RLIMIT_NOFILE, &open_files) != 0) return false;
    const rlim_t last = std::min<rlim_t>(open_files.rlim_cur, rlim_t{1} << 20);
    for (rlim_t fd = static_cast<rlim_t>(first); fd < last; ++fd) close(static_cast<int>(fd));
    return true;
}

// Places the spec's descriptors at 0, 1, 2... and the report just after
// them (close-on-exec), every other one closed. Each is first copied above
// every place, so that none is overwritten before it is copied.
int place_descriptors(Plan &p) {
    const std::vector<int> &given = p.spec->descriptors;
    const int count = static_cast<int>(given.size());
    int report = fcntl(p.report, F_DUPFD_CLOEXEC, count + 1);
    if (report < 0) fail(p.report, move_descriptor);
    for (std::size_t i = 0; i < given.size(); ++i) {
        p.moved[i] = fcntl(given[i], F_DUPFD_CLOEXEC, count + 1);
        if (p.moved[i] < 0) fail(report, move_descriptor);
    }
    if (dup3(report, count, O_CLOEXEC) != count) fail(report, place_descriptor);
    report = count;
    for (int i = 0; i < count; ++i)
        if (dup2(p.moved[static_cast<std::size_t>(i)], i) != i) fail(report, place_descriptor);
    if (!close_from(count + 1)) fail(report, close_others);
    return report;
}

// The started process, until it becomes the program.
int become_program(void *plan) {
    Plan &p = *static_cast<Plan *>(plan);
    const StartSpec &spec = *p.spec;
    // A handler of the starter must never run here, on this stack: every
    // signal gets its default action (the C library's own and SIGKILL and
    // SIGSTOP refuse it, and need not).
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        if (sigaction(sig, &default_action, nullptr) != 0 && errno != EINVAL) fail(p.report, set_signals);
    if (spec.new_session && setsid() < 0) fail(p.report, new_session);
    if (spec.parent_death_signal != 0 && prctl(PR_SET_PDEATHSIG, spec.parent_death_signal) != 0)
        fail(p.report, death_signal);
    for (const ResourceLimit &limit : spec.limits) {
        const rlimit value{limit.soft, limit.hard};
        if (setrlimit(limit.resource, &value) != 0) fail(p.report, set_limit);
    }
    const int report = place_descriptors(p);
    if (spec.controlling_terminal && ioctl(0, TIOCSCTTY, 0) != 0) fail(report, controlling_terminal);
    if (!spec.directory.empty() && chdir(spec.directory.c_str()) != 0) fail(report, enter_directory);
    sigset_t none;
    sigemptyset(&none);
    if (sigprocmask(SIG_SETMASK, &none, nullptr) != 0) fail(report, unblock_signals);
    execve(p.program.c_str(), p.argv.data(), p.envp.data());
    fail(report, execute);
}

// Every signal blocked in this thread while it lives, so that none is
// handled in the started process before its handlers are reset.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &saved_);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    SignalsBlocked(const SignalsBlocked &) = delete;
    SignalsBlocked &operator=(const SignalsBlocked &) = delete;

private:
    sigset_t saved_{};
};

Started failed(int error, Step step) { return {-1, error, step_names[step]}; }

}  // namespace

std::string Started::describe() const { return step + ": " + std::strerror(error); }

Started start_process(const StartSpec &spec) {
    if (spec.command.empty() || spec.descriptors.size() < 3 ||
        std::any_of(spec.descriptors.begin(), spec.descriptors.end(), [](int fd) { return fd < 0; }))
        return failed(EINVAL, execute);
    Plan p;
    p.spec = &spec;
    p.program = spec.command[0];
    if (p.program.find('/') == std::string::npos) p.program = find_on_path(p.program);
    if (p.program.empty()) return failed(ENOENT, execute);
    p.words = spec.command;
    p.argv = pointers(p.words);
    if (spec.environment) {
        p.environment = *spec.environment;
        p.envp = pointers(p.environment);
    } else {
        for (char **e = environ; *e != nullptr; ++e) p.envp.push_back(*e);
        p.envp.push_back(nullptr);
    }
    p.moved.assign(spec.descriptors.size(), -1);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return failed(errno, execute);
    const Fd report_read(ends[0]);
    Fd report_write(ends[1]);
    p.report = report_write.get();
    // Enough for the few calls above; under an emulator the start is a fork,
    // and the report still comes.
    constexpr std::size_t stack_size = std::size_t{256} << 10;
    const auto stack = std::make_unique<char[]>(stack_size);
    pid_t pid = -1;
    int clone_error = 0;
    {
        const SignalsBlocked blocked;
        pid = clone(become_program, stack.get() + stack_size, CLONE_VM | CLONE_VFORK | SIGCHLD, &p);
        clone_error = errno;
    }
    report_write.reset();
    if (pid < 0) return failed(clone_error, execute);
    Failure failure{};
    ssize_t k = 0;
    while ((k = read(report_read.get(), &failure, sizeof failure)) < 0 && errno == EINTR) {
    }
    if (k == 0) return {pid, 0, ""};
    reap(pid);
    if (k != static_cast<ssize_t>(sizeof failure) || failure.step < 0 || failure.step > execute)
        return failed(EIO, execute);
    return failed(failure.error, static_cast<Step>(failure.step));
}

int reap(pid_t pid, struct rusage *usage) {
    int status = 0;
    while (wait4(pid, &status, 0, usage) < 0)
        if (errno != EINTR) return -1;
    return status;
}

}  // namespace exocheck
