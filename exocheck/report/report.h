// What a check found: per candidate, its counts and its findings. Each
// writer of a report (text_report.h, json_report.h) reads only this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cases/cases.h"
#include "judge/compare.h"
#include "report/cause.h"
#include "run/run_program.h"

namespace exocheck {

// One case of a candidate, its input shrunk, with both runs on that input.
struct Finding {
    Case::Origin origin = Case::Origin::generated;
    std::size_t number = 0;          // within its origin
    std::size_t original_size = 0;   // the case's input, in bytes
    std::string input;               // the shrunk input
    Verdict verdict;
    RunResult expected, obtained;    // the reference's run and the candidate's
    bool at_terminal = false;        // judged with standard input at a terminal
    bool shrink_finished = true;     // false when time ran out while shrinking
    LikelyCause cause;               // of the difference on the shrunk input; none for a case that follows the statement
};

// A distinct mistake: the differing cases of a candidate that show the same
// kind of difference (the same likely cause, on the same line of the
// reference's output), explained once, on the first of them shrunk. A case
// that shows two mistakes (accents in Latin-1 and a wrong value) counts for
// both.
struct Mistake {
    std::string cause_code;  // the likely cause's stable code, such as "no-midnight-wrap"; empty when none
    std::size_t cases = 0;   // the differing cases it explains
    Finding example;         // its minimal input, both runs on it and its cause (example.cause)
};

// How the cases of one origin went for a candidate.
struct OriginTally {
    std::size_t run = 0, differ = 0, follows_statement = 0;
};

struct CandidateReport {
    std::string candidate;    // as given on the command line
    std::string cannot_run;   // why it cannot be run, or empty
    std::size_t cases_run = 0;
    std::size_t differences = 0;  // differing cases run (with a condition written otherwise, unless apart)
    std::size_t follows_statement = 0;  // cases where it does what the statement says
    // Cases whose only difference is an assertion's condition written
    // otherwise, with the same behaviour on every case run: differences,
    // unless the check counts them apart (CheckReport::conditions_apart).
    std::size_t conditions_otherwise = 0;
    OriginTally dialogues, boundaries, generated;  // the same counts, by origin of the case
    // Its distinct mistakes, the most frequent first: with --all, every one
    // (at most 50; past them a difference is counted, not told apart);
    // without, the first difference, and the conditions written otherwise
    // when they count as differences.
    std::vector<Mistake> mistakes;
    std::optional<Finding> difference;  // the first difference
    std::optional<Finding> statement;   // the first case that follows the statement
    std::optional<Finding> condition_apart;  // counted apart: the first condition written otherwise

    bool differs() const { return differences > 0; }
};

struct CheckReport {
    std::string program;
    std::uint64_t seed = 1;
    std::size_t dialogues = 0, boundaries = 0, generated = 0;
    bool all = false;  // every case run, not stopped at the first difference
    bool conditions_apart = false;  // a condition written otherwise counted apart, not as a difference
    int timeout_ms = 0;
    std::int64_t checked_at = 0;  // when the check began, in seconds since 1970-01-01 UTC
    std::vector<CandidateReport> candidates;

    std::size_t cases() const { return dialogues + boundaries + generated; }
};

// The exit status: 2 when a candidate could not be run, else 1 when one
// differs, else 0 (following the statement is no difference).
int exit_status(const CheckReport &report);

// "dialogue du manuel n° 2", "cas limite n° 5", "cas généré n° 17, graine 1".
std::string case_name(Case::Origin origin, std::size_t number, std::uint64_t seed);

}  // namespace exocheck
