// The likely cause of a difference between the reference's run and the
// candidate's, when a known pattern matches: how the candidate ended (time
// limit, output too long, a signal, an assertion the reference has and the
// candidate has not), the failed assertion's function or condition, a
// message on the other stream, then the text of each output that differs
// (a newline, white space, accents, lines or values swapped, the decimals,
// the rounding or the sign of a number, a wrap at midnight, a maximum that
// starts at 0, a value off by a constant or only at a boundary, the prompt,
// missing or extra text), then the exit status.
// Each cause has a stable code for scripts (listed in exocheck(1)) and a
// sentence in French for people. A hint that may not fit stays silent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "judge/compare.h"
#include "run/run_program.h"

namespace exocheck {

struct LikelyCause {
    std::string code;  // "missing-final-newline", ...; empty when no pattern gives a hint
    std::string text;  // one sentence in French, without "Piste : "; empty with the code
    // What tells this mistake apart from others of the same candidate: the
    // pattern (its code, or the family of codes whose choice depends on
    // other cases, such as the value ones) and where it shows (the
    // reference's line, numbers aside; the assertion). Not for people.
    std::string family, place;
};

// Every code a cause may have, each once, as exocheck(1) lists them.
std::span<const std::string_view> cause_codes();

// What the runs of one candidate show of each value of the reference's
// standard output (a number, by its line, numbers aside, and its rank in
// that line): how often the candidate wrote it the same, and by how much it
// was off otherwise. It tells a value off by a constant everywhere from one
// wrong only at a boundary.
class ValueEvidence {
public:
    // What one input's two runs show; nothing for a line whose text differs
    // apart from its numbers, nor for outputs of different line counts.
    void add(std::string_view expected_out, std::string_view obtained_out);

    struct Tally {
        std::size_t seen = 0, same = 0;
        std::int64_t offset = 0;  // in units of the last decimal, the first seen
        bool one_offset = true;   // every value that was off was off by `offset`

        // One more value, `off` units of the last decimal from the expected one.
        void add(std::int64_t off);
    };
    // Nothing when that value was never seen.
    const Tally *find(const std::string &line_skeleton, std::size_t rank) const;

private:
    // The tally of value `rank` of lines of `skeleton`; null past the most
    // kept.
    Tally *tally(const std::string &skeleton, std::size_t rank);

    std::map<std::pair<std::string, std::size_t>, Tally> tallies_;
};

// The causes of a difference, the one that shows first first: a cosmetic
// one (accents in Latin-1, carriage returns, the final newline) and then
// what remains once it is set right; none when nothing matches. `input` is
// the input of both runs, `evidence` what other runs showed (may be null).
std::vector<LikelyCause> likely_causes(const Verdict &verdict, const RunResult &expected, const RunResult &obtained,
                                       int timeout_ms, std::string_view input = {},
                                       const ValueEvidence *evidence = nullptr);

// The first of them, or none.
LikelyCause likely_cause(const Verdict &verdict, const RunResult &expected, const RunResult &obtained, int timeout_ms,
                         std::string_view input = {}, const ValueEvidence *evidence = nullptr);

// The cause where an assertion's condition is written otherwise than the
// reference's, in the same function, and behaves the same on every one of
// the `cases` cases run.
LikelyCause condition_written_otherwise(const RunResult &expected, const RunResult &obtained, std::size_t cases);

}  // namespace exocheck
