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
//     terminal, see run());
//   - an empty temporary directory as working directory, HOME and TMPDIR
//     (each worker's own, emptied after every run, removed with the
//     runner); the environment reduced to PATH, HOME, TMPDIR, LANG=C.UTF-8
//     (and PETITS_EMULATOR when set).
// With bubblewrap (bwrap), every run of a check happens in one sandbox
// started once: no network, the system read-only, a private /tmp, its own
// process and IPC namespaces. Inside it, exocheck runs again as its own
// workers (worker.h); without isolation, the same workers run
// unconfined. The references are trusted: they run with run_program.
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


// True when bwrap is found on PATH and a sandbox starts here (user
// namespaces allowed, exocheck able to run inside it). Tried once, then
// remembered.
bool sandbox_available();

class CandidateRunner {
public:
    // Starts `jobs` workers able to run any of `candidates` (absolute paths),
    // all in one bubblewrap sandbox for isolation == sandbox. Throws
    // std::runtime_error (French message) when they cannot start. The thread
    // that constructs it must outlive it: the workers die with that thread.
    CandidateRunner(Isolation isolation, int jobs, const std::vector<std::string> &candidates,
                    RunLimits limits);
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

    // For Ctrl-C or SIGTERM, from any thread (not from a signal handler):
    // every run and worker killed, every temporary directory removed, before
    // it returns. The runs in progress then throw.
    void kill_all() noexcept;

private:
    void start(Isolation isolation, const std::vector<std::string> &command, int jobs);
    void await_workers();

    std::vector<std::string> candidates_;
    std::vector<int> sockets_;  // exocheck's end of each worker's socket
    pid_t pool_ = -1;           // bwrap, or the workers' parent without isolation
    Fd sandbox_init_;           // bwrap's process inside the sandbox, to wait for
    std::string work_dir_;      // the runs' directories, without isolation
    std::atomic<bool> stopped_{false};
    std::mutex stopping_;  // kill_all from two threads: the second waits for the first
};

}  // namespace exocheck
