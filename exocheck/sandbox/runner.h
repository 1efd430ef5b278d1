// Runs untrusted candidates: a learner's program, run many times on inputs
// that exocheck chooses. Each run is confined and bounded:
//   - a wall-clock limit, a CPU-time limit a second above it, an address-space
//     limit (512 MiB), a file-size limit, no core file, an output cap per
//     stream; at a limit, the run is killed;
//   - its own session and process group; when the candidate ends (or is
//     killed), every process it left behind is killed too, so that a child
//     holding standard output open cannot hold the run past the candidate;
//   - standard output a pseudo-terminal in raw mode (the C library
//     line-buffers it, as at a terminal, and no byte is translated), standard
//     error a pipe, standard input a pipe closed after the input (or a
//     terminal, see run()); no other descriptor;
//   - an empty directory as working directory, HOME and TMPDIR, the
//     environment reduced to PATH, HOME, TMPDIR, LANG=C.UTF-8 (and
//     PETITS_EMULATOR when set).
// With bubblewrap (bwrap), the workers run in one sandbox started once per
// runner, which shows only the system's programs and libraries (view.h),
// without network, as nobody when exocheck is root; each run there has
// namespaces of its own (confined_run.h): it sees no process but its own,
// an empty /tmp of its own (its working directory, capped in size and
// files), its own candidate and no other, and is capped in processes.
// Without isolation, the same workers run unconfined, each run in a
// directory of its own under TMPDIR. The references are trusted: they run
// with run_program.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "run/fd.h"
#include "run/run_program.h"
#include "sandbox/run_limits.h"

namespace exocheck {

enum class Isolation { sandbox, none };


// Why no sandbox starts here, in one French line (bwrap missing, user
// namespaces switched off and how a system switches them on, or what bwrap
// said), or empty when one does. Tried once, then remembered.
std::string sandbox_unavailable();
bool sandbox_available();  // sandbox_unavailable() is empty

class CandidateRunner {
public:
    // Starts `jobs` workers able to run any of `candidates` (absolute paths),
    // all in one bubblewrap sandbox for isolation == sandbox, where the files
    // `hidden` (the references) are never seen, wherever the view would show
    // them. The candidates are read once, when it starts. Throws
    // std::runtime_error (French message) when they cannot start. The thread
    // that constructs it must outlive it: the workers die with that thread.
    CandidateRunner(Isolation isolation, int jobs, const std::vector<std::string> &candidates,
                    RunLimits limits, const std::vector<std::string> &hidden = {});
    ~CandidateRunner();  // every worker and every run gone, nothing left
    CandidateRunner(const CandidateRunner &) = delete;
    CandidateRunner &operator=(const CandidateRunner &) = delete;
    CandidateRunner(CandidateRunner &&) = delete;
    CandidateRunner &operator=(CandidateRunner &&) = delete;

    // One run of `candidate` (one of those given above) on `input` by worker
    // `job` (0 <= job < jobs); calls for distinct jobs may run at once from
    // distinct threads. stdin_terminal: standard input is a terminal instead
    // of a pipe (canonical mode, no echo, no special character but end of
    // file), fed line by line and ended by Ctrl-D as a person would; every
    // line must fit (fits_terminal). Throws std::invalid_argument for a bad
    // job, an unknown candidate or an input that does not fit, and
    // std::runtime_error when the worker is gone (after kill_all, for one).
    RunResult run(int job, const std::string &candidate, std::string_view input,
                  bool stdin_terminal = false);

    // The same run under a memory checker (RunRequest says how): `wrapper`
    // before the candidate, `environment` added to its own.
    RunResult run_wrapped(int job, const std::string &candidate, std::string_view input,
                          const std::vector<std::string> &wrapper, const std::vector<std::string> &environment);

    // For Ctrl-C or SIGTERM, from any thread (not from a signal handler):
    // every run and worker killed, every temporary directory removed, before
    // it returns. The runs in progress then throw.
    void kill_all() noexcept;

private:
    // What starts the workers' parent.
    struct Pool {
        int jobs = 1;
        std::string bwrap;  // empty without isolation
        std::vector<std::string> command;
        Fd exe, passwd, group;       // for bwrap: exocheck's binary, the view's passwd and group
        std::vector<Fd> candidates;  // for bwrap: each candidate's bytes
        uid_t uid = static_cast<uid_t>(-1);
        gid_t gid = static_cast<gid_t>(-1);
    };
    void prepare_view(Pool &pool, const std::vector<std::string> &hidden, const std::string &self);
    RunResult run_request(int job, const std::string &candidate, std::string_view input, bool stdin_terminal,
                          const std::vector<std::string> &wrapper, const std::vector<std::string> &environment);
    void start(Pool &pool);
    void await_workers();

    std::vector<std::string> candidates_;
    std::vector<std::string> sent_;  // each candidate's path as the workers see it
    std::vector<bool> busy_;         // being written when read: its runs cannot start
    std::vector<int> sockets_;  // exocheck's end of each worker's socket
    pid_t pool_ = -1;           // bwrap, or the workers' parent without isolation
    Fd sandbox_init_;           // bwrap's process inside the sandbox, to wait for
    std::string work_dir_;      // the runs' directories, without isolation
    std::atomic<bool> stopped_{false};
    std::mutex stopping_;  // kill_all from two threads: the second waits for the first
};

}  // namespace exocheck
