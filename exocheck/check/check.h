// A check: the reference and every candidate run on the same cases, in
// parallel; then each candidate's first difference, or with `all` each of
// its distinct mistakes, shrunk to an input on which the reference behaves
// as on the original case (the same output, numbers aside, and the same
// ending) and the candidate shows the same mistake.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cases/programs.h"
#include "judge/mend.h"
#include "report/report.h"
#include "check/timed_runner.h"

namespace exocheck {

struct CheckSettings {
    std::uint64_t seed = 1;
    std::size_t generated = 1000;  // cases made from the program's input grammar
    bool all = false;              // count every difference instead of stopping at the first
    bool conditions_apart = false; // a condition written otherwise counted apart, not as a difference
    int jobs = 1;                  // runs at once; job numbers 0 .. jobs-1 of the runner
    RunLimits limits;              // timeout_ms: the ceiling of every run's limit (timed_runner.h)
    int shrink_ms = 4000;          // time given to shrinking each mistake (the most frequent ones)
    Mend mend = nullptr;           // where the reference mends its statement, if it does (judge/mend.h)
    // The reference is not ours (a teacher's): it runs through the runner,
    // confined and bounded like the candidates, and must be one of the
    // runner's programs.
    bool reference_confined = false;
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

// Runs the check and returns its report. The reference runs once per case,
// with run_program (ours, trusted) or through `runner` (reference_confined);
// each candidate that can be run runs through `runner`, whose ceiling is
// settings.limits.timeout_ms. Throws std::runtime_error (French message)
// when the reference itself fails to run.
CheckReport run_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const CheckSettings &settings,
                      TimedRunner &runner, CheckControl &control);

// The reference's run on one input, and the time it took.
struct ReferenceRun {
    RunResult run;
    long ms = 0;
};

// The reference's run as the check runs it: ours, trusted, with
// run_program; a teacher's (reference_confined) through `runner`, confined
// and bounded like the candidates, with the ceiling as its limit, by job
// `job`. Throws std::runtime_error (French message) when it cannot run or
// does not end.
ReferenceRun run_reference(const std::string &reference, std::string_view input, const CheckSettings &settings,
                           TimedRunner &runner, int job);

// The candidate judged on one input as the check judges a case, its run
// with job `job` of `runner` (at a terminal too when a pipe may hide what
// a person sees), against the reference's run there.
Verdict judge_input(const std::string &candidate, const std::string &input, const ReferenceRun &expected,
                    const CheckSettings &settings, TimedRunner &runner, int job);

// A candidate judged on one input and, when it differs there (or follows the
// statement), that input shrunk as a check shrinks a first difference, with
// job 0 of `runner`; nothing when it agrees.
std::optional<Finding> shrink_input(const std::string &reference, const Candidate &candidate,
                                    const std::string &input, const CheckSettings &settings, TimedRunner &runner);

}  // namespace exocheck
