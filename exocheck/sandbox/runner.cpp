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
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/fd.h"
#include "run/launcher.h"
#include "sandbox/leftovers.h"
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

// The folders the sandbox replaces with its own.
constexpr std::string_view replaced[] = {"/tmp", "/dev", "/proc"};

// True when `path` lies in one of them.
bool hidden_in_sandbox(const std::string &path) {
    return std::any_of(std::begin(replaced), std::end(replaced), [&](std::string_view root) {
        return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
    });
}

// bubblewrap's command line: the system read-only, a private /tmp, /dev and
// /proc of its own, no network, namespaces of its own, a session of its own,
// gone with exocheck. What it would hide and the workers run (the
// candidates, exocheck itself) is bound in read-only where it is.
std::vector<std::string> sandbox_words(const std::string &bwrap, const std::vector<std::string> &visible, int info_fd) {
    std::vector<std::string> words = {bwrap,
                                      "--ro-bind", "/", "/",
                                      "--tmpfs", "/tmp",
                                      "--dev", "/dev",
                                      "--proc", "/proc",
                                      "--unshare-all",
                                      "--die-with-parent",
                                      "--new-session",
                                      "--info-fd", std::to_string(info_fd)};
    for (const std::string &path : visible) {
        char *real = realpath(path.c_str(), nullptr);
        const std::string resolved = real != nullptr ? real : path;
        std::free(real);  // realpath's own allocation
        if (hidden_in_sandbox(path)) words.insert(words.end(), {"--ro-bind", resolved, path});
        // A link from a visible place to a hidden file: the file too.
        if (resolved != path && hidden_in_sandbox(resolved))
            words.insert(words.end(), {"--ro-bind", resolved, resolved});
    }
    words.insert(words.end(), {"--chdir", "/", "--"});
    return words;
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

// The descriptor of bwrap's --info-fd: after the sockets and exocheck's
// standard error.
int info_fd(int jobs) { return 4 + jobs; }

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

}  // namespace

CandidateRunner::CandidateRunner(Isolation isolation, int jobs, const std::vector<std::string> &candidates,
                                 RunLimits limits)
    : candidates_(candidates) {
    if (jobs < 1) throw std::invalid_argument("CandidateRunner : au moins un processus d'exécution");
    if (std::any_of(candidates.begin(), candidates.end(), [](const std::string &c) { return !c.starts_with('/'); }))
        throw std::invalid_argument("CandidateRunner : chemins absolus attendus");
    const std::string self = self_path();
    std::vector<std::string> command;
    std::string work_dir = "/tmp";  // the sandbox's own
    std::string parent = "0";       // bwrap ends the workers with exocheck
    if (isolation == Isolation::sandbox) {
        const std::string bwrap = find_on_path("bwrap");
        if (bwrap.empty())
            throw std::runtime_error("bwrap est introuvable (paquet bubblewrap) : pas de bac à sable pour les candidats");
        std::vector<std::string> visible = candidates;
        visible.push_back(self);
        command = sandbox_words(bwrap, visible, info_fd(jobs));
    } else {
        work_dir_ = temporary_root() + "/exocheck-XXXXXX";
        if (mkdtemp(work_dir_.data()) == nullptr) {
            work_dir_.clear();
            throw std::runtime_error("impossible de créer un répertoire temporaire dans " + temporary_root());
        }
        work_dir = work_dir_;
        parent = std::to_string(getpid());
    }
    const std::vector<std::string> worker =
        launch_command(self, {std::string(internal_worker_option), std::to_string(jobs), parent, work_dir,
                              std::to_string(limits.timeout_ms), std::to_string(limits.output_cap)});
    command.insert(command.end(), worker.begin(), worker.end());
    try {
        start(isolation, command, jobs);
    } catch (...) {
        kill_all();
        for (const int s : sockets_) close(s);
        throw;
    }
}

// The workers' parent gets its socket ends at 3.., exocheck's standard
// error after them, then bwrap's info descriptor; its own standard error is
// a pipe, read when it fails. It has a session of its own, so that Ctrl-C
// at the terminal reaches exocheck only (kill_all stops the workers in
// order).
void CandidateRunner::start(Isolation isolation, const std::vector<std::string> &command, int jobs) {
    StartSpec spec;
    spec.command = command;
    spec.new_session = true;
    const Fd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    int pipe_ends[2];
    if (!null.is_open() || pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
    const Fd errors(pipe_ends[0]);
    Fd errors_end(pipe_ends[1]);
    spec.descriptors = {null.get(), null.get(), errors_end.get()};
    std::vector<Fd> ends;
    for (int j = 0; j < jobs; ++j) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw std::runtime_error("impossible de créer les sockets des processus d'exécution");
        sockets_.push_back(pair[0]);
        ends.emplace_back(pair[1]);
        spec.descriptors.push_back(pair[1]);
    }
    spec.descriptors.push_back(STDERR_FILENO);
    // Where bwrap tells the pid of its process inside the sandbox.
    Fd info, info_end;
    if (isolation == Isolation::sandbox) {
        if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
        info = Fd(pipe_ends[0]);
        info_end = Fd(pipe_ends[1]);
        spec.descriptors.push_back(info_end.get());
    }
    const Started started = start_process(spec);
    if (!started) throw std::runtime_error("impossible de lancer " + command[0] + " (" + started.describe() + ")");
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
        throw std::runtime_error(std::string(e.what()) +
                                 (isolation == Isolation::sandbox ? " dans le bac à sable bubblewrap" : "") +
                                 (why.empty() ? "" : " : " + why));
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
    if (job < 0 || static_cast<std::size_t>(job) >= sockets_.size())
        throw std::invalid_argument("CandidateRunner::run : processus d'exécution " + std::to_string(job) + " inconnu");
    if (std::find(candidates_.begin(), candidates_.end(), candidate) == candidates_.end())
        throw std::invalid_argument("CandidateRunner::run : candidat inconnu " + candidate);
    if (stdin_terminal && !fits_terminal(input))
        throw std::invalid_argument("CandidateRunner::run : une ligne de l'entrée dépasse ce qu'un terminal garde");
    const int s = sockets_[static_cast<std::size_t>(job)];
    std::optional<ReceivedResult> received;
    if (!stopped_ && send_request(s, candidate, input, stdin_terminal)) received = receive_result(s);
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

bool sandbox_available() {
    static const bool available = [] {
        if (find_on_path("bwrap").empty()) return false;
        try {
            const CandidateRunner probe(Isolation::sandbox, 1, {}, RunLimits{});
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }();
    return available;
}

}  // namespace exocheck
