// What a check found: per candidate, its counts, its findings and its score,
// and across the candidates their common mistakes. Each writer of a report
// (text_report.h, json_report.h, formats.h) reads only this, and none
// re-runs or re-judges anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cases/cases.h"
#include "judge/compare.h"
#include "judge/memory_errors.h"
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
    std::size_t dialogues = 0, boundaries = 0;  // of its cases, those from the manual's dialogues and the boundary cases
};

// How the cases of one origin went for a candidate.
struct OriginTally {
    std::size_t run = 0, differ = 0, follows_statement = 0;
    double seconds = 0;  // the candidate's runs of these cases, one after another
};

// How exocheck built a candidate given as a source (check/compile.h).
struct SourceBuild {
    // The command as a learner types it in the source's folder, and the
    // program it makes: "cc -std=gnu17 ... -o mon_tickup mon_tickup.c -lm",
    // "mon_tickup" (the source's path without its extension).
    std::string command, program;
    bool compiled = false;
    std::string messages;  // when it does not compile: the compiler's messages, its first error first
    std::size_t warnings = 0;
    std::vector<std::string> first_warnings;  // the first few warnings' lines: "f.c:12:9: warning: ..."
};

// A memory error of a candidate (or a warning: a leak, other undefined
// behaviour), explained once on the first memory-checked case that shows
// it, its input shrunk to a minimal one that still shows the same kind of
// error at the same place.
struct MemoryFinding {
    MemoryError error;        // its kind, its place (file, line, function) and the checker's words
    std::string source_line;  // the text of that line of the source, when exocheck has it
    std::string checker;      // "valgrind" or "sanitizers" (AddressSanitizer and UBSan)
    std::size_t cases = 0;    // the memory-checked cases that show it
    Case::Origin origin = Case::Origin::generated;
    std::size_t number = 0;         // within its origin
    std::size_t original_size = 0;  // the case's input, in bytes
    std::string input;              // the shrunk input
    bool shrink_finished = true;
    bool output_agrees = false;  // the candidate's output agrees with the reference's on it: a silent error
    std::string reproduce;       // the shell command that shows it under the checker
};

// A candidate's runs under a memory checker (--memoire).
struct MemoryCheck {
    std::string checkers;  // which checkers ran: "Valgrind", "AddressSanitizer" or "AddressSanitizer et Valgrind"
    std::size_t cases = 0, runs = 0;  // the cases memory-checked, and the runs under a checker that took
    std::string stopped;   // why the memory check stopped before its last case, in French; empty when it did not
    std::vector<MemoryFinding> errors;    // by kind and place, the most frequent first
    std::vector<MemoryFinding> warnings;  // the leaks and other undefined behaviour, apart
};

// A submission's score out of 100, from three parts: the share of the
// manual's dialogues that agree, the share of the boundary cases that agree,
// and the distinct mistakes found among the generated cases (score.h).
struct Score {
    bool given = false;     // false: it scores nothing, and `why` says why
    double out_of_100 = 0;  // rounded to half a point
    double out_of_20 = 0;   // out_of_100 / 5: tenths of a point
    double dialogues = 0, boundaries = 0, generated = 0;  // each part's points, out of its weight
    std::string why;        // why it scores nothing, in French
};

// How a submission did, as every report names it.
// A source that does not compile is not run; a candidate whose output
// agrees but that has a memory error (--memoire) has memory_errors.
enum class Standing { agree, follows_statement, differ, memory_errors, cannot_run, does_not_compile, not_handed_in };

struct CandidateReport {
    std::string candidate;    // its path, as given on the command line or found in the class's folder
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
    std::optional<SourceBuild> build;   // given as a source: how it was built
    std::optional<MemoryCheck> memory;  // with --memoire, when it could run
    std::string name;            // what the reports call it, unique in the check: its folder for a class
    std::string not_handed_in;   // why nothing was handed in (no file in the learner's folder), or empty
    Score score;                 // given when the check ran every case (CheckReport::all)

    bool differs() const { return differences > 0; }
    bool does_not_compile() const { return build && !build->compiled; }
    bool has_memory_errors() const { return memory && !memory->errors.empty(); }
    Standing standing() const;
    // Its name, or its path when it has none.
    const std::string &label() const { return name.empty() ? candidate : name; }
};

// The points of each kind of case, and the weight of a mistake by its cause
// code (1 for a code not listed; 0: the mistake costs nothing).
struct ScoreWeights {
    double dialogues = 40, boundaries = 30, generated = 30;
    std::map<std::string, double> causes;
};

// The same mistake in several submissions: the same cause code on the same
// minimal input (and, without a cause code, the same outputs there).
struct MistakeGroup {
    std::string cause_code;            // empty when no likely cause is known
    Finding example;                   // as the first submission of the group shows it
    std::vector<std::size_t> members;  // indexes in CheckReport::candidates, in their order
};

struct CheckReport {
    std::string program;
    std::uint64_t seed = 1;
    std::size_t dialogues = 0, boundaries = 0, generated = 0;
    bool all = false;  // every case run, not stopped at the first difference: then every submission is scored
    bool conditions_apart = false;  // a condition written otherwise counted apart, not as a difference
    int timeout_ms = 0;
    std::int64_t checked_at = 0;  // when the check began, in seconds since 1970-01-01 UTC
    bool memory = false;  // the candidates also ran under a memory checker (--memoire)
    double seconds = 0;  // the whole check, wall clock
    std::string class_folder;  // the folder of a class checked as a whole, or empty
    ScoreWeights weights;
    std::vector<CandidateReport> candidates;
    std::vector<MistakeGroup> groups;  // the largest first (groups.h)

    std::size_t cases() const { return dialogues + boundaries + generated; }
    // How many submissions stand so.
    std::size_t count(Standing standing) const;
};

// The exit status: 2 when a source does not compile; else 0 when every
// submission agrees (following the statement is no difference), else 1: one
// differs, has a memory error (a leak is a warning), cannot be run or was
// not handed in.
int exit_status(const CheckReport &report);

// The shell command that feeds `input` to the candidate: for a source, its
// build first ("cc ... -o mon_tickup mon_tickup.c -lm && printf '...' |
// ./mon_tickup").
std::string reproduce_for(const CandidateReport &candidate, std::string_view input);

// A submission's distinct mistakes: its own list, or, when the check did not
// make one, its first difference standing for all its differing cases.
std::vector<Mistake> mistakes_of(const CandidateReport &candidate);

// The cases of one origin that a mistake explains.
std::size_t cases_from(const Mistake &mistake, Case::Origin origin);
// A candidate's tally of one origin.
const OriginTally &tally_of(const CandidateReport &candidate, Case::Origin origin);
// "dialogues du manuel", "cas limites", "cas générés".
std::string origin_in_french(Case::Origin origin);
constexpr Case::Origin ORIGINS[] = {Case::Origin::dialogue, Case::Origin::boundary, Case::Origin::generated};

// "agree", "follows_statement", "differ", "memory_errors", "cannot_run",
// "does_not_compile", "not_handed_in".
std::string standing_code(Standing standing);
// "aucune différence", "conforme à l'énoncé", "différent", "erreur de
// mémoire", "impossible à lancer", "ne compile pas", "rien rendu".
std::string standing_in_french(Standing standing);
// A number with at most `decimals` decimals, trailing zeros dropped, and a
// decimal comma or point: "17,5", "20".
std::string decimal(double value, int decimals, char point);

// "dialogue du manuel n° 2", "cas limite n° 5", "cas généré n° 17, graine 1".
std::string case_name(Case::Origin origin, std::size_t number, std::uint64_t seed);

}  // namespace exocheck
