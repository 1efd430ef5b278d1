#include "run/start.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/launcher.h"

// The code the started process runs before exec: in the starter's memory,
// under its limits, it must call nothing a sanitizer's runtime adds (which
// may map memory, beyond the new process's limit, on a stack it does not
// know).
#define BEFORE_EXEC __attribute__((no_sanitize("address")))

namespace exocheck {

namespace {

// The steps of a start, as a failure names them.
enum Step : int { set_signals, new_session, death_signal, set_limit, move_descriptor, place_descriptor,
                  close_others, controlling_terminal, enter_directory, unblock_signals, execute, drop_groups,
                  set_group, set_user, private_mounts, make_mount, own_user, map_user, enclose, started };
constexpr const char *step_names[] = {"sigaction", "setsid", "prctl", "setrlimit", "fcntl", "dup2", "close_range",
                                      "TIOCSCTTY", "chdir", "sigprocmask", "exec", "setgroups", "setresgid",
                                      "setresuid", "mount --make-rprivate /", "mount", "unshare(CLONE_NEWUSER)",
                                      "user namespace maps", "clone", ""};

// What a start writes on its report pipe: a failure, or (from an
// enclosure's init) that the program has started.
struct Report {
    int step;
    int error;
};

// Everything the started process needs, made before it is started: between
// its start and exec it only makes system calls, in the starter's memory.
struct Plan {
    const ProcessSetup *setup = nullptr;
    std::string program;
    std::vector<std::string> words, environment;
    std::vector<char *> argv, envp;
    std::vector<int> moved;  // the descriptors' copies above their places
    int report = -1;         // where a failure is told (close-on-exec: nothing comes on success)
    // Enclosed: the maps of the program's own user namespace, where the
    // init writes the program's end, and the program's stack.
    std::string uid_map, gid_map;
    int end = -1;
    std::unique_ptr<char[]> program_stack;
    bool program_failed = false;  // set by the program's process before it ends
};

constexpr std::size_t stack_size = std::size_t{256} << 10;

std::vector<char *> pointers(std::vector<std::string> &strings) {
    std::vector<char *> p;
    p.reserve(strings.size() + 1);
    for (std::string &s : strings) p.push_back(s.data());  // cppcheck-suppress useStlAlgorithm
    p.push_back(nullptr);
    return p;
}

[[noreturn]] BEFORE_EXEC void fail(Plan &p, int report, Step step) {
    const Report failure{step, errno};
    p.program_failed = true;
    // Nothing more can be done if the report cannot be written: the start
    // still fails, its process having ended before exec.
    [[maybe_unused]] const ssize_t k = write(report, &failure, sizeof failure);
    _exit(127);
}

// Every descriptor from `first` on closed.
BEFORE_EXEC bool close_from(int first) {
    if (close_range(static_cast<unsigned>(first), ~0U, 0) == 0) return true;
    if (errno != ENOSYS) return false;
    rlimit open_files{};  // a kernel before 5.9: one by one, up to the limit
    if (getrlimit(RLIMIT_NOFILE, &open_files) != 0) return false;
    const rlim_t last = std::min<rlim_t>(open_files.rlim_cur, rlim_t{1} << 20);
    for (rlim_t fd = static_cast<rlim_t>(first); fd < last; ++fd) close(static_cast<int>(fd));
    return true;
}

// Places the setup's descriptors at 0, 1, 2... and the report just after
// them (close-on-exec), every other one closed. Each is first copied above
// every place, so that none is overwritten before it is copied.
BEFORE_EXEC int place_descriptors(Plan &p) {
    const std::vector<int> &given = p.setup->descriptors;
    const int count = static_cast<int>(given.size());
    int report = fcntl(p.report, F_DUPFD_CLOEXEC, count + 1);
    if (report < 0) fail(p, p.report, move_descriptor);
    for (std::size_t i = 0; i < given.size(); ++i) {
        p.moved[i] = fcntl(given[i], F_DUPFD_CLOEXEC, count + 1);
        if (p.moved[i] < 0) fail(p, report, move_descriptor);
    }
    if (dup3(report, count, O_CLOEXEC) != count) fail(p, report, place_descriptor);
    report = count;
    for (int i = 0; i < count; ++i)
        if (dup2(p.moved[static_cast<std::size_t>(i)], i) != i) fail(p, report, place_descriptor);
    if (!close_from(count + 1)) fail(p, report, close_others);
    return report;
}

// Writes `text` to the file at `path`; false if it cannot.
BEFORE_EXEC bool put(const char *path, const std::string &text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

// In an enclosure: the program's own user namespace, where no other can be
// made (this process holds every capability there until it executes).
BEFORE_EXEC void own_user_namespace(Plan &p) {
    if (unshare(CLONE_NEWUSER) != 0) fail(p, p.report, own_user);
    if (!put("/proc/self/setgroups", "deny") || !put("/proc/self/uid_map", p.uid_map) ||
        !put("/proc/self/gid_map", p.gid_map) || !put("/proc/sys/user/max_user_namespaces", "0"))
        fail(p, p.report, map_user);
}

// Every signal at its default action: a handler of the starter must never
// run here, on this stack (the C library's own, SIGKILL and SIGSTOP refuse
// it, and need not).
BEFORE_EXEC void default_signals(Plan &p) {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        if (sigaction(sig, &default_action, nullptr) != 0 && errno != EINVAL) fail(p, p.report, set_signals);
}

// The started process, until it becomes the program.
BEFORE_EXEC int become_program(void *plan) {
    Plan &p = *static_cast<Plan *>(plan);
    const ProcessSetup &setup = *p.setup;
    default_signals(p);
    if (setup.enclosure) own_user_namespace(p);
    if (setup.new_session && setsid() < 0) fail(p, p.report, new_session);
    // Before the death signal, which a change of user clears.
    if (setup.gid != static_cast<gid_t>(-1) && setgroups(0, nullptr) != 0) fail(p, p.report, drop_groups);
    if (setup.gid != static_cast<gid_t>(-1) && setresgid(setup.gid, setup.gid, setup.gid) != 0)
        fail(p, p.report, set_group);
    if (setup.uid != static_cast<uid_t>(-1) && setresuid(setup.uid, setup.uid, setup.uid) != 0)
        fail(p, p.report, set_user);
    if (setup.parent_death_signal != 0 && prctl(PR_SET_PDEATHSIG, setup.parent_death_signal) != 0)
        fail(p, p.report, death_signal);
    for (const ResourceLimit &limit : setup.limits) {
        const rlimit value{limit.soft, limit.hard};
        if (setrlimit(limit.resource, &value) != 0) fail(p, p.report, set_limit);
    }
    const int report = place_descriptors(p);
    if (setup.controlling_terminal && ioctl(0, TIOCSCTTY, 0) != 0) fail(p, report, controlling_terminal);
    if (!setup.directory.empty() && chdir(setup.directory.c_str()) != 0) fail(p, report, enter_directory);
    sigset_t none;
    sigemptyset(&none);
    if (sigprocmask(SIG_SETMASK, &none, nullptr) != 0) fail(p, report, unblock_signals);
    execve(p.program.c_str(), p.argv.data(), p.envp.data());
    fail(p, report, execute);
}

BEFORE_EXEC void make_mounts(Plan &p) {
    // Nothing made here reaches the starter's namespace, nor the reverse.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) fail(p, p.report, private_mounts);
    for (const Mount &m : p.setup->enclosure->mounts) {
        const bool bind = m.type.empty();
        const char *type = bind ? nullptr : m.type.c_str();
        if (mount(m.source.c_str(), m.target.c_str(), type, bind ? static_cast<unsigned long>(MS_BIND) : m.flags, m.data.c_str()) != 0)
            fail(p, p.report, make_mount);
        // A bind mount takes its flags when mounted again.
        if (bind && m.flags != 0 &&
            mount(nullptr, m.target.c_str(), nullptr, static_cast<unsigned long>(MS_REMOUNT | MS_BIND) | m.flags, nullptr) != 0)
            fail(p, p.report, make_mount);
    }
}

// The init of an enclosure: pid 1 of its new namespaces. It makes the
// mounts, starts the program, tells the starter it started (the starter
// waits for that word before it touches the plan again, and this process
// reads nothing of the plan afterwards), reaps every process until the
// program ends, then reports its end and exits.
BEFORE_EXEC int enclosure_init(void *plan) {
    Plan &p = *static_cast<Plan *>(plan);
    default_signals(p);
    make_mounts(p);
    const int report = p.report, end = p.end;
    const pid_t program =
        clone(become_program, p.program_stack.get() + stack_size, CLONE_VM | CLONE_VFORK | SIGCHLD, &p);
    if (program < 0) fail(p, report, enclose);
    if (p.program_failed) _exit(127);  // it told why itself
    const Report word{started, 0};
    if (write(report, &word, sizeof word) != static_cast<ssize_t>(sizeof word)) _exit(127);
    // Only `end` is kept: the program's streams must close when it ends.
    if (end > 0) close_range(0, static_cast<unsigned>(end - 1), 0);
    close_range(static_cast<unsigned>(end + 1), ~0U, 0);
    int status = 0;
    for (pid_t reaped = 0; reaped != program;) {
        int any = 0;
        reaped = waitpid(-1, &any, 0);
        if (reaped == program) status = any;
        if (reaped < 0 && errno != EINTR) _exit(127);
    }
    ProgramEnd ended{status, {}};
    getrusage(RUSAGE_CHILDREN, &ended.usage);
    [[maybe_unused]] const ssize_t k = write(end, &ended, sizeof ended);
    _exit(0);
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

Started failed(int error, Step step) {
    Started s;
    s.error = error;
    s.step = step_names[step];
    return s;
}

// Reads the one word of a start's report: true when there is none (the
// program executed) or it says the program started.
bool read_report(int fd, Report &word, bool enclosed) {
    ssize_t k = 0;
    while ((k = read(fd, &word, sizeof word)) < 0 && errno == EINTR) {
    }
    if (k == 0 && !enclosed) return true;
    if (k != static_cast<ssize_t>(sizeof word) || word.step < 0 || word.step > started) word = {execute, EIO};
    return word.step == started;
}

}  // namespace

std::string Started::describe() const { return step + ": " + std::strerror(error); }

Started start_process(const ProcessSetup &setup) {
    if (setup.command.empty() || setup.descriptors.size() < 3 ||
        std::any_of(setup.descriptors.begin(), setup.descriptors.end(), [](int fd) { return fd < 0; }))
        return failed(EINVAL, execute);
    Plan p;
    p.setup = &setup;
    p.program = setup.command[0];
    if (p.program.find('/') == std::string::npos) p.program = find_on_path(p.program);
    if (p.program.empty()) return failed(ENOENT, execute);
    p.words = setup.command;
    p.argv = pointers(p.words);
    if (setup.environment) {
        p.environment = *setup.environment;
        p.envp = pointers(p.environment);
    } else {
        for (char **e = environ; *e != nullptr; ++e) p.envp.push_back(*e);
        p.envp.push_back(nullptr);
    }
    p.moved.assign(setup.descriptors.size(), -1);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return failed(errno, execute);
    const Fd report_read(ends[0]);
    Fd report_write(ends[1]);
    p.report = report_write.get();
    Fd end_read, end_write;
    const bool enclosed = setup.enclosure.has_value();
    if (enclosed) {
        if (pipe2(ends, O_CLOEXEC) != 0) return failed(errno, enclose);
        end_read = Fd(ends[0]);
        end_write = Fd(ends[1]);
        p.end = end_write.get();
        p.uid_map = std::to_string(geteuid()) + " " + std::to_string(geteuid()) + " 1";
        p.gid_map = std::to_string(getegid()) + " " + std::to_string(getegid()) + " 1";
        p.program_stack = std::make_unique<char[]>(stack_size);
    }
    // Enough for the few calls above; under an emulator the start is a fork,
    // and the report still comes.
    auto stack = std::make_unique<char[]>(stack_size);
    pid_t pid = -1;
    int clone_error = 0;
    {
        const SignalsBlocked blocked;
        pid = enclosed ? clone(enclosure_init, stack.get() + stack_size,
                               CLONE_VM | CLONE_NEWPID | CLONE_NEWNS | CLONE_NEWIPC | SIGCHLD, &p)
                       : clone(become_program, stack.get() + stack_size, CLONE_VM | CLONE_VFORK | SIGCHLD, &p);
        clone_error = errno;
    }
    report_write.reset();
    end_write.reset();
    if (pid < 0) return failed(clone_error, enclosed ? enclose : execute);
    Report word{};
    if (!read_report(report_read.get(), word, enclosed)) {
        reap(pid);
        return failed(word.error, static_cast<Step>(word.step));
    }
    Started s;
    s.pid = pid;
    if (enclosed) {
        s.end = std::move(end_read);
        s.init_stack = std::move(stack);
    }
    return s;
}

std::optional<ProgramEnd> read_end(int end) {
    ProgramEnd ended;
    ssize_t k = 0;
    while ((k = read(end, &ended, sizeof ended)) < 0 && errno == EINTR) {
    }
    if (k != static_cast<ssize_t>(sizeof ended)) return std::nullopt;
    return ended;
}

int reap(pid_t pid, struct rusage *usage) {
    int status = 0;
    while (wait4(pid, &status, 0, usage) < 0)
        if (errno != EINTR) return -1;
    return status;
}

}  // namespace exocheck
