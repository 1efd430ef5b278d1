#include "sandbox/runner.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/elf.h"
#include "run/fd.h"
#include "run/launcher.h"
#include "sandbox/leftovers.h"
#include "sandbox/view.h"
#include "run/now_ms.h"
#include "run/ptys.h"
#include "run/start.h"
#include "sandbox/wire.h"
#include "sandbox/worker.h"

namespace exocheck {

namespace {

// Time for the workers to start, bwrap included (longer under an emulator).
constexpr int start_ms = 20000;
// Time for the workers to stop once told, before they are killed.
constexpr int stop_ms = 5000;

std::string self_path() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw std::runtime_error("exocheck ne trouve pas son propre programme (/proc/self/exe)");
    return {path, static_cast<std::size_t>(n)};
}

std::string temporary_root() {
    const char *tmpdir = std::getenv("TMPDIR");
    return tmpdir != nullptr && *tmpdir == '/' ? tmpdir : "/tmp";
}

// Waits for the process `pid` (a child) to end, at most `ms`; true when it did.
bool reap_within(pid_t pid, int ms) {
    const Fd exit_fd(process_fd(pid));
    const long deadline = now_ms() + ms;
    for (;;) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        const long left = deadline - now_ms();
        if (left <= 0) return false;
        pollfd p{exit_fd.get(), POLLIN, 0};
        if (exit_fd.is_open())
            poll(&p, 1, static_cast<int>(left));
        else
            usleep(1000);
    }
}

// What the workers' parent wrote on its standard error before failing: the
// reason bwrap gives, for one. It has ended: what it wrote is there.
std::string read_errors(int fd) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    std::string text;
    char buf[4096];
    for (ssize_t k = 0; text.size() < 65536 && (k = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(k));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// The pid bwrap writes on its --info-fd ({"child-pid": N, ...}): its process
// inside the sandbox, which outlives bwrap itself for a moment at the end.
pid_t sandbox_pid(int info) {
    std::string text;
    char buf[512];
    const long deadline = now_ms() + 1000;
    while (text.find('}') == std::string::npos && now_ms() < deadline) {
        pollfd p{info, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t k = read(info, buf, sizeof buf);
        if (k <= 0) break;
        text.append(buf, static_cast<std::size_t>(k));
    }
    const std::size_t key = text.find("\"child-pid\"");
    const std::size_t digits = key == std::string::npos ? key : text.find_first_of("0123456789", key);
    return digits == std::string::npos ? -1 : static_cast<pid_t>(std::strtol(text.c_str() + digits, nullptr, 10));
}

// The descriptors of bwrap's --info-fd and of exocheck's binary: after the
// sockets and exocheck's standard error.
int info_fd(int jobs) { return 4 + jobs; }
int exe_fd(int jobs) { return 5 + jobs; }

// Whether the file open at `fd` is being written (a compilation not over):
// its exec would fail with ETXTBSY. A read lease is refused then; where
// leases cannot be taken (a file of another user), it is not known: no.
bool being_written(int fd) {
    if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) return fcntl(fd, F_SETLEASE, F_UNLCK) != 0;
    return errno == EAGAIN;
}

// A system setting of /proc/sys, or empty.
std::string setting(const char *path) {
    const Fd fd(open(path, O_RDONLY | O_CLOEXEC));
    char text[64] = {};
    const ssize_t n = fd.is_open() ? read(fd.get(), text, sizeof text - 1) : 0;
    std::string value(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

// Why bwrap could not start a sandbox, in one line: what the system has
// switched off and how it is switched on, or bwrap's own words.
std::string sandbox_failure(const std::string &bwrap_said) {
    const std::string lead = "bac à sable bubblewrap indisponible : ";
    struct Switch {
        const char *path, *off, *name, *on;
    };
    constexpr Switch switches[] = {
        {"/proc/sys/user/max_user_namespaces", "0", "user.max_user_namespaces", "10000"},
        {"/proc/sys/kernel/unprivileged_userns_clone", "0", "kernel.unprivileged_userns_clone", "1"},
        {"/proc/sys/kernel/apparmor_restrict_unprivileged_userns", "1", "kernel.apparmor_restrict_unprivileged_userns",
         "0"},
    };
    const Switch *off = std::find_if(std::begin(switches), std::end(switches),
                                     [](const Switch &s) { return setting(s.path) == s.off; });
    if (off != std::end(switches))
        return lead + "les espaces de noms utilisateur sont désactivés (" + off->name + "=" + off->off +
               ") ; un administrateur les active par « sysctl -w " + off->name + "=" + off->on + " »";
    std::string said = bwrap_said.substr(0, bwrap_said.find('\n'));
    return lead + (said.empty() ? "bwrap n'a pas démarré" : said);
}

}  // namespace

CandidateRunner::CandidateRunner(Isolation isolation, int jobs, const std::vector<std::string> &candidates,
                                 RunLimits limits, const std::vector<std::string> &hidden)
    : candidates_(candidates), sent_(candidates), busy_(candidates.size(), false) {
    if (jobs < 1) throw std::invalid_argument("CandidateRunner : au moins un processus d'exécution");
    if (std::any_of(candidates.begin(), candidates.end(), [](const std::string &c) { return !c.starts_with('/'); }))
        throw std::invalid_argument("CandidateRunner : chemins absolus attendus");
    const std::string self = self_path();
    Pool pool;
    pool.jobs = jobs;
    std::string work_dir = "-";  // each run has its own
    std::string parent = "0";    // bwrap ends the workers with exocheck
    std::string mode = emulated() ? "sandbox" : "enclosed";
    if (isolation == Isolation::sandbox) {
        pool.bwrap = find_on_path("bwrap");
        if (pool.bwrap.empty())
            throw std::runtime_error("bwrap est introuvable (paquet bubblewrap) : pas de bac à sable pour les candidats");
        prepare_view(pool, hidden, self);
        if (emulated()) work_dir = "/tmp";  // qemu-user makes no namespace: the runs share the sandbox's /tmp
    } else {
        work_dir_ = temporary_root() + "/exocheck-XXXXXX";
        if (mkdtemp(work_dir_.data()) == nullptr) {
            work_dir_.clear();
            throw std::runtime_error("impossible de créer un répertoire temporaire dans " + temporary_root());
        }
        work_dir = work_dir_;
        parent = std::to_string(getpid());
        mode = "none";
    }
    std::vector<std::string> worker =
        launch_command(self, {std::string(internal_worker_option), std::to_string(jobs), parent, work_dir,
                              std::to_string(limits.timeout_ms), std::to_string(limits.output_cap),
                              std::to_string(limits.memory_cap), mode});
    // Inside the sandbox, exocheck runs from the descriptor it opened: its
    // own path may be hidden there.
    if (pool.exe.is_open()) std::replace(worker.begin(), worker.end(), self, "/proc/self/fd/" + std::to_string(exe_fd(jobs)));
    pool.command.insert(pool.command.end(), worker.begin(), worker.end());
    try {
        start(pool);
    } catch (...) {
        kill_all();
        for (const int s : sockets_) close(s);
        throw;
    }
}

// What the view needs: exocheck's binary, the passwd and group of the runs'
// user, each candidate's bytes (copied into the sandbox when it starts, so
// that no run sees another candidate), the interpreters and loaders they
// name, and what must stay hidden.
void CandidateRunner::prepare_view(Pool &pool, const std::vector<std::string> &hidden, const std::string &self) {
    pool.exe = Fd(open(self.c_str(), O_RDONLY | O_CLOEXEC));
    if (!pool.exe.is_open()) throw std::runtime_error("exocheck ne peut pas lire son propre programme " + self);
    // Root runs the sandbox as nobody: uid 0, even in a user namespace,
    // would escape the limit on processes.
    if (geteuid() == 0) pool.uid = pool.gid = 65534;
    const uid_t uid = geteuid() == 0 ? 65534 : geteuid();
    const gid_t gid = geteuid() == 0 ? 65534 : getegid();
    pool.passwd = text_file("candidat:x:" + std::to_string(uid) + ":" + std::to_string(gid) + "::/tmp:/bin/sh\n");
    pool.group = text_file("candidat:x:" + std::to_string(gid) + ":\n");
    ViewFiles files;
    const int first = exe_fd(pool.jobs) + 1;
    files.passwd = first;
    files.group = first + 1;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        Fd bytes(open(candidates_[k].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!bytes.is_open()) throw std::runtime_error("impossible de lire le candidat " + candidates_[k]);
        busy_[k] = being_written(bytes.get());
        const std::string name = candidates_[k].substr(candidates_[k].rfind('/') + 1);
        sent_[k] = std::string(candidates_root) + "/" + std::to_string(k) + "/" + name;
        files.candidates.push_back(first + 2 + static_cast<int>(k));
        files.names.push_back(name);
        // Under an emulator, the loader of a program of its machine lies
        // under its prefix, in /usr, where the emulator finds it.
        if (!emulated() || !elf_id(candidates_[k])) files.needed.push_back(runs_through(candidates_[k]));
        pool.candidates.push_back(std::move(bytes));
    }
    files.hidden = hidden;
    files.hidden.push_back(self);
    pool.command = {pool.bwrap};
    const std::vector<std::string> words = view_words(files);
    pool.command.insert(pool.command.end(), words.begin(), words.end());
    pool.command.insert(pool.command.end(), {"--info-fd", std::to_string(info_fd(pool.jobs)), "--chdir", "/", "--"});
}

// The workers' parent gets its socket ends at 3.., exocheck's standard
// error after them, then, for bwrap, its info descriptor, exocheck's binary,
// the passwd, the group and the candidates; its own standard error is a
// pipe, read when it fails. It has a session of its own, so that Ctrl-C at
// the terminal reaches exocheck only (kill_all stops the workers in order).
void CandidateRunner::start(Pool &pool) {
    ProcessSetup setup;
    setup.command = pool.command;
    setup.new_session = true;
    setup.uid = pool.uid;
    setup.gid = pool.gid;
    const Fd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    int pipe_ends[2];
    if (!null.is_open() || pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
    const Fd errors(pipe_ends[0]);
    Fd errors_end(pipe_ends[1]);
    setup.descriptors = {null.get(), null.get(), errors_end.get()};
    std::vector<Fd> ends;
    for (int j = 0; j < pool.jobs; ++j) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw std::runtime_error("impossible de créer les sockets des processus d'exécution");
        sockets_.push_back(pair[0]);
        ends.emplace_back(pair[1]);
        setup.descriptors.push_back(pair[1]);
    }
    setup.descriptors.push_back(STDERR_FILENO);
    // Where bwrap tells the pid of its process inside the sandbox.
    Fd info, info_end;
    const bool sandboxed = !pool.bwrap.empty();
    if (sandboxed) {
        if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
        info = Fd(pipe_ends[0]);
        info_end = Fd(pipe_ends[1]);
        setup.descriptors.insert(setup.descriptors.end(),
                                {info_end.get(), pool.exe.get(), pool.passwd.get(), pool.group.get()});
        for (const Fd &c : pool.candidates) setup.descriptors.push_back(c.get());  // cppcheck-suppress useStlAlgorithm
    }
    const Started started = start_process(setup);
    if (!started) throw std::runtime_error("impossible de lancer " + pool.command[0] + " (" + started.describe() + ")");
    pool_ = started.pid;
    ends.clear();
    errors_end.reset();
    info_end.reset();
    try {
        await_workers();
        if (info.is_open()) sandbox_init_ = Fd(process_fd(sandbox_pid(info.get())));
    } catch (const std::runtime_error &e) {
        kill(pool_, SIGKILL);
        reap(pool_);
        pool_ = -1;
        const std::string why = read_errors(errors.get());
        if (sandboxed) throw std::runtime_error(sandbox_failure(why));
        throw std::runtime_error(std::string(e.what()) + (why.empty() ? "" : " : " + why));
    }
}

void CandidateRunner::await_workers() {
    const long deadline = now_ms() + start_ms;
    for (const int s : sockets_) {
        pollfd p{s, POLLIN, 0};
        const long left = deadline - now_ms();
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || !receive_ready(s))
            throw std::runtime_error("les processus d'exécution des candidats n'ont pas démarré");
    }
}

CandidateRunner::~CandidateRunner() {
    kill_all();
    for (const int s : sockets_) close(s);
}

RunResult CandidateRunner::run(int job, const std::string &candidate, std::string_view input, bool stdin_terminal) {
    return run_request(job, candidate, input, stdin_terminal, {}, {});
}

RunResult CandidateRunner::run_wrapped(int job, const std::string &candidate, std::string_view input,
                                       const std::vector<std::string> &wrapper,
                                       const std::vector<std::string> &environment) {
    return run_request(job, candidate, input, false, wrapper, environment);
}

RunResult CandidateRunner::run_request(int job, const std::string &candidate, std::string_view input,
                                       bool stdin_terminal, const std::vector<std::string> &wrapper,
                                       const std::vector<std::string> &environment) {
    if (job < 0 || static_cast<std::size_t>(job) >= sockets_.size())
        throw std::invalid_argument("CandidateRunner::run : processus d'exécution " + std::to_string(job) + " inconnu");
    const auto found = std::find(candidates_.begin(), candidates_.end(), candidate);
    if (found == candidates_.end()) throw std::invalid_argument("CandidateRunner::run : candidat inconnu " + candidate);
    const auto k = static_cast<std::size_t>(found - candidates_.begin());
    if (stdin_terminal && !fits_terminal(input))
        throw std::invalid_argument("CandidateRunner::run : une ligne de l'entrée dépasse ce qu'un terminal garde");
    if (busy_[k]) {  // as its exec would fail
        RunResult busy;
        busy.start_error = ETXTBSY;
        return busy;
    }
    const int s = sockets_[static_cast<std::size_t>(job)];
    std::optional<ReceivedResult> received;
    if (!stopped_ && send_request(s, sent_[k], input, stdin_terminal, wrapper, environment))
        received = receive_result(s);
    if (!received)
        throw std::runtime_error(stopped_ ? "exécution des candidats interrompue"
                                          : "un processus d'exécution des candidats s'est arrêté");
    if (!received->failure.empty())
        throw std::runtime_error("une exécution de " + candidate + " n'a pas pu être confinée (" + received->failure +
                                 ")");
    return std::move(received->result);
}

void CandidateRunner::kill_all() noexcept {
    const std::lock_guard<std::mutex> lock(stopping_);
    stopped_ = true;
    // Each worker sees its socket close, kills its run and everything the
    // run left, removes its directory and ends; then their parent ends.
    for (const int s : sockets_) shutdown(s, SHUT_RDWR);
    if (pool_ > 0) {
        if (!reap_within(pool_, stop_ms)) {
            kill(pool_, SIGKILL);
            reap(pool_);
        }
        pool_ = -1;
    }
    // bwrap has ended; its process inside ends the sandbox, every process
    // in it killed by the kernel.
    if (sandbox_init_.is_open()) {
        pollfd p{sandbox_init_.get(), POLLIN, 0};
        poll(&p, 1, stop_ms);
        sandbox_init_.reset();
    }
    if (!work_dir_.empty()) {
        remove_tree(work_dir_);
        work_dir_.clear();
    }
}

std::string sandbox_unavailable() {
    static const std::string why = []() -> std::string {
        if (find_on_path("bwrap").empty()) return "bwrap est introuvable (paquet bubblewrap)";
        try {
            const CandidateRunner probe(Isolation::sandbox, 1, {}, RunLimits{});
            return "";
        } catch (const std::exception &e) {
            return e.what();
        }
    }();
    return why;
}

bool sandbox_available() { return sandbox_unavailable().empty(); }

}  // namespace exocheck
