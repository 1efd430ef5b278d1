// The memory check (--memoire): each candidate also runs under a memory
// checker, and every memory error is a finding even where its output agrees
// with the reference's. Which checker, on which cases:
//   - a program: Valgrind's memcheck, on the dialogues, the boundary cases
//     and the first VALGRIND_GENERATED generated cases of the check's seed
//     (about 0.65 s of processor time per run);
//   - a program built with AddressSanitizer: its own reports, on the
//     dialogues, the boundary cases and the first SANITIZER_GENERATED
//     generated cases (about 0.1 s per run);
//   - a source exocheck compiles: its build with AddressSanitizer and
//     UndefinedBehaviorSanitizer, as above, for every kind but one; and
//     Valgrind on its plain build, on the dialogues and the boundary cases,
//     for the uninitialised values that the sanitizers do not see. Neither
//     finds all: the sanitizers see an array overrun wherever the array lies
//     (Valgrind sees it on the heap only), Valgrind sees an uninitialised
//     value used.
// The faults a memory check looks for show on boundary inputs mostly: the
// generated cases are a sample, the same in every check with that seed.
// Each kind of error at each place of the candidate's code is one finding,
// shown on the first case that has it, its input shrunk to a minimal one on
// which the reference behaves the same (the same exit status), the
// candidate's output still agrees when it agreed, and the checker still
// reports that kind at that place and nothing it did not report before.
// A candidate has at most a hundred findings: past them, which only a
// forged report reaches, its memory check says it stopped.
// The references never run under a checker.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "report/report.h"

namespace exocheck {

inline constexpr std::size_t VALGRIND_GENERATED = 10;
inline constexpr std::size_t SANITIZER_GENERATED = 100;

// How one candidate's memory is checked.
struct MemoryTarget {
    // What Valgrind runs (the program the check runs), or empty: none.
    std::string plain;
    // Built with the sanitizers (a source's second build, or the candidate
    // itself when built with AddressSanitizer), or empty: none.
    std::string sanitized;
    // With both: Valgrind reports only the uninitialised values.
    // The source it was built from, when exocheck built it: its frames are
    // the candidate's, its lines are quoted.
    std::string source;
    // For the commands that reproduce a finding: how the learner builds
    // each program (empty for a program given as such), and runs it.
    std::string plain_build, sanitized_build;
    std::string plain_program, sanitized_program;
};

// One run of a program under a memory checker: `wrapper`'s words before
// the program's path (Valgrind's command line), `environment`'s entries
// added to its reduced environment (the sanitizers' options); confined and
// bounded like a candidate's run, with the memory check's time limit.
struct MemoryRunRequest {
    int job = 0;
    std::string program;
    std::string input;
    std::vector<std::string> wrapper, environment;
};
using MemoryRunner = std::function<RunResult(const MemoryRunRequest &)>;

// The time limit of a run under a checker: Valgrind makes a program some
// tens of times slower, and takes half a second to start.
int memory_timeout_ms(int timeout_ms);

// Valgrind's command line for a memory run, before the program: its XML on
// standard error, leaks looked for when `leaks`.
std::vector<std::string> valgrind_words(const std::string &valgrind, bool leaks);

// The sanitizers' options of a memory run, as environment entries: every
// option the reports rely on is set, so that a program's own defaults
// (__asan_default_options) change none of them.
std::vector<std::string> sanitizer_environment();

// Runs the memory check of every candidate with a target (targets[k] for
// candidates[k]; nothing for one that is not checked) and fills each one's
// report.candidates[k].memory; `valgrind` is the checker's path. The
// reference runs as in the check, the
// candidates' plain runs (to judge a shrunk input) through `runner`, the
// runs under a checker through `memory_runner`. Throws std::runtime_error
// (French message) when the checker cannot be started.
void run_memory_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const std::vector<std::optional<MemoryTarget>> &targets,
                      const std::string &valgrind, const CheckSettings &settings, TimedRunner &runner, const MemoryRunner &memory_runner,
                      CheckControl &control, CheckReport &report);

}  // namespace exocheck
