// exocheck run again as the workers of a CandidateRunner (runner.h):
//   exocheck --exocheck-internal-worker JOBS PARENT WORK_DIR TIMEOUT_MS OUTPUT_CAP MEMORY_CAP MODE
// with the socket of worker j at descriptor 3 + j, and exocheck's standard
// error at 3 + JOBS (standard error is where starting fails); every other
// descriptor is closed first. This first process (the pool) forks the
// workers and waits for them; each worker serves the runs asked on its
// socket, one at a time, until exocheck closes it. PARENT is the pid of the
// exocheck whose death ends the pool, or 0 inside a sandbox (bubblewrap ends
// it then). MODE: "enclosed", each run in namespaces of its own, inside the
// sandbox (WORK_DIR is then "-"); "sandbox", the runs in the sandbox in a
// directory of each worker's under WORK_DIR (under an emulator, which makes
// no namespace); "none", unconfined.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "run/elf.h"
#include "run/launcher.h"
#include "sandbox/confined_run.h"
#include "sandbox/leftovers.h"
#include "sandbox/view.h"
#include "sandbox/worker.h"
#include "sandbox/wire.h"

namespace exocheck {

namespace {

constexpr int first_socket = 3;

// Dies with the process that started this one; false when it is already
// gone or that cannot be asked.
bool bound_to_parent(pid_t parent) {
    return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && (parent == 0 || getppid() == parent);
}

// Where a process cannot be a child subreaper (qemu-user refuses it), the
// runs look for what a candidate left in its session instead.
void become_subreaper() {
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0 && !emulated())
        std::fprintf(stderr, "exocheck: %s: PR_SET_CHILD_SUBREAPER: %s\n", std::string(internal_worker_option).c_str(),
                     std::strerror(errno));
}

// One directory for all the runs of a worker, emptied after each: making
// and removing one per run costs milliseconds on some file systems.
[[noreturn]] void serve(int socket, const WorkerSettings &settings) {
    const pid_t pool = getppid();
    std::string directory = settings.work_dir + "/runs-XXXXXX";
    become_subreaper();
    if (!bound_to_parent(pool) || (!settings.enclosed && mkdtemp(directory.data()) == nullptr)) _exit(1);
    bool interrupted = !send_ready(socket);
    while (!interrupted) {
        const std::optional<RunRequest> request = receive_request(socket);
        if (!request) break;
        const ConfinedRun run = run_confined(*request, settings, directory, socket);
        interrupted = run.interrupted || !send_result(socket, run.result, run.failure);
    }
    if (!settings.enclosed) remove_tree(directory);
    _exit(0);
}

int serve_pool(int jobs, pid_t parent, const WorkerSettings &settings) {
    if (!bound_to_parent(parent)) return 1;
    become_subreaper();  // a dead worker's leftovers come here
    for (int j = 0; j < jobs; ++j) {
        struct stat st {};
        if (fstat(first_socket + j, &st) != 0 || !S_ISSOCK(st.st_mode) ||
            fcntl(first_socket + j, F_SETFD, FD_CLOEXEC) != 0) {
            std::fprintf(stderr, "exocheck: %s: pas de socket au descripteur %d\n",
                         std::string(internal_worker_option).c_str(), first_socket + j);
            return 2;
        }
    }
    // From now on, what goes wrong is told on exocheck's own standard error.
    if (dup2(first_socket + jobs, 2) != 2) return 2;
    // Nothing else reaches a run: bwrap's, exocheck's binary. Under an
    // emulator that binary is what /proc/self/exe reads, once, before.
    own_elf_id();
    if (close_range(static_cast<unsigned>(first_socket + jobs), ~0U, 0) != 0) return 2;
    std::vector<pid_t> workers;
    for (int j = 0; j < jobs; ++j) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int other = 0; other < jobs; ++other)
                if (other != j) close(first_socket + other);
            serve(first_socket + j, settings);
        }
        if (pid < 0) {  // exocheck sees the socket close: a worker missing
            std::perror("exocheck: fork");
            break;
        }
        workers.push_back(pid);
    }
    for (int j = 0; j < jobs; ++j) close(first_socket + j);
    while (!workers.empty()) {
        int status = 0;
        const pid_t pid = wait(&status);
        if (pid < 0 && errno != EINTR) break;
        std::erase(workers, pid);  // or an orphan, reaped
    }
    kill_every_child();
    return 0;
}

bool parse(const char *text, long low, long high, long &value) {
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

}  // namespace

std::optional<int> internal_worker(int argc, char **argv) {
    if (argc < 2 || argv[1] != internal_worker_option) return std::nullopt;
    long jobs = 0, parent = 0, timeout = 0, cap = 0, memory = 0;
    const std::string mode = argc == 9 ? argv[8] : "";
    if (argc != 9 || !parse(argv[2], 0, 4096, jobs) || !parse(argv[3], 0, 1L << 30, parent) ||
        !parse(argv[5], 1, 1L << 30, timeout) || !parse(argv[6], 0, 1L << 40, cap) ||
        !parse(argv[7], 0, LONG_MAX, memory) ||
        (mode != "enclosed" && mode != "sandbox" && mode != "none")) {
        std::fprintf(stderr, "exocheck: %s est une option interne\n", argv[1]);
        return 2;
    }
    WorkerSettings settings;
    settings.limits.timeout_ms = static_cast<int>(timeout);
    settings.limits.output_cap = static_cast<std::size_t>(cap);
    settings.limits.memory_cap = static_cast<std::size_t>(memory);
    settings.work_dir = argv[4];
    settings.enclosed = mode == "enclosed";
    if (mode != "none") settings.ptmx = std::string(workers_dev) + "/ptmx";
    return serve_pool(static_cast<int>(jobs), static_cast<pid_t>(parent), settings);
}

}  // namespace exocheck
