// A check: the reference and every candidate run on the same cases, in
// parallel, then the first difference of each candidate shrunk.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cases/programs.h"
#include "judge/mend.h"
#include "report/report.h"
#include "sandbox/runner.h"

namespace exocheck {

struct CheckSettings {
    std::uint64_t seed = 1;
    std::size_t generated = 1000;  // cases made from the program's input grammar
    bool all = false;              // count every difference instead of stopping at the first
    int jobs = 1;                  // runs at once; job numbers 0 .. jobs-1 of the runner
    RunLimits limits;
    int shrink_ms = 4000;          // time given to shrinking each candidate's difference
    Mend mend = nullptr;           // where the reference mends its statement, if it does (judge/mend.h)
};

struct Candidate {
    std::string given;       // as on the command line
    std::string path;        // absolute
    std::string cannot_run;  // why it cannot be run, or empty
};

// What a check has done so far, read by another thread to show progress;
// and a way to stop it from another thread (an interrupt): once `stop` is
// set, no run starts.
struct CheckControl {
    std::atomic<std::size_t> done{0}, total{0}, differences{0};
    std::atomic<bool> stop{false};
};

// Runs the check and returns its report. The reference (a trusted program)
// runs once per case, with run_program; each candidate that can be run
// runs through `runner`. Throws std::runtime_error (French message) when the
// reference itself fails to run.
CheckReport run_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const CheckSettings &settings,
                      CandidateRunner &runner, CheckControl &control);

// A candidate judged on one input and, when it differs there (or follows the
// statement), that input shrunk as a check shrinks a first difference, with
// job 0 of `runner`; nothing when it agrees.
std::optional<Finding> shrink_input(const std::string &reference, const Candidate &candidate,
                                    const std::string &input, const CheckSettings &settings, CandidateRunner &runner);

}  // namespace exocheck
