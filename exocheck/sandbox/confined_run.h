// One run of a candidate, confined and bounded, by a worker (runner.h says
// what a run is allowed). The worker is a child subreaper.
#pragma once

#include <string>
#include <vector>

#include "run/run_program.h"
#include "sandbox/run_limits.h"

namespace exocheck {

struct RunRequest {
    std::string candidate;  // its path
    std::string input;
    bool stdin_terminal = false;
    // A run under a memory checker (check/memory_check.h): the checker's
    // command line before the candidate, an absolute path first, and entries
    // added to the reduced environment (the sanitizers' options, to which a
    // run of a candidate built with AddressSanitizer adds its memory limit).
    // Confined and bounded as any run.
    std::vector<std::string> wrapper, environment;
};

struct WorkerSettings {
    RunLimits limits;
    std::string work_dir;  // where each worker makes the directory of its runs, when not enclosed
    // Each run in namespaces of its own (inside the sandbox, see runner.h):
    // it sees no process but its own, its /tmp is an empty file system of
    // its own (its working directory, capped in bytes and files), its
    // candidate is the only one it sees, at /candidat/<name>, and it may
    // start a few processes only.
    bool enclosed = false;
    std::string ptmx = "/dev/ptmx";  // where the runs' pseudo-terminals are made
};

// How a confined run went.
struct ConfinedRun {
    RunResult result;
    // Why the run could not be confined as it must (a limit that could not
    // be applied, streams that could not be opened): then it has no result.
    std::string failure;
    // `watch` became readable: everything was stopped.
    bool interrupted = false;
};

// Runs the request, enclosed or in `directory`, an empty directory emptied
// again afterwards. `watch` becomes readable when the run must stop at once
// (exocheck is gone or stops every run): then everything is killed.
ConfinedRun run_confined(const RunRequest &request, const WorkerSettings &settings, const std::string &directory,
                         int watch);

// The CPU-time limit of a run, in seconds: a second above the wall clock's.
long cpu_seconds(int timeout_ms);

// Whether the executable at `path` carries AddressSanitizer (its start-up
// call is named in it, linked statically or not). Asked once per path.
bool built_with_address_sanitizer(const std::string &path);

}  // namespace exocheck
