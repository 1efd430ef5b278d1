// When a candidate's run agrees with the reference's on one input:
//   - standard output, the same bytes;
//   - the same ending: the same exit status, or the same signal; a run
//     stopped by the time limit, cut at the output cap, or never started
//     agrees with nothing;
//   - standard error, the same bytes, except that two lines that are both an
//     assertion diagnostic agree when they name the same function (by its
//     bare name: C++'s "int main()" is main) and the same condition,
//     whatever the program, file and line.
// Where the reference mends its statement (`mend`, mend.h), a candidate
// that does what the statement says instead follows the statement: it is
// not wrong.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "judge/mend.h"
#include "run/run_program.h"

namespace exocheck {

struct Verdict {
    enum class Kind { agree, differ, follows_statement } kind = Kind::agree;
    // What differs from the reference (for differ and follows_statement).
    bool stdout_differs = false, stderr_differs = false, ending_differs = false;
    std::string statement;  // follows_statement: the reference's mend and the statement's behaviour, in French
};

Verdict compare(std::string_view input, const RunResult &reference, const RunResult &candidate,
                Mend mend = nullptr);

// True when what a person at a terminal sees may differ from what the
// candidate wrote through a pipe: a C program's standard output holds a
// partial line (a prompt without its newline) until it reads, when its
// standard input is a terminal; with a pipe, a program that then dies by a
// signal (C's assert() aborts without flushing) loses that line, which may
// not be the reference's (a prompt ended otherwise). So a candidate ended by
// a signal, whose output is the start of the reference's, is run again with
// its standard input at a terminal, and that run is judged: a prompt lost in
// the buffer is never counted against it, whatever else differs (another
// condition, another ending).
bool may_depend_on_stdin_buffering(const RunResult &reference, const RunResult &candidate);

// Where the only difference is the condition of a failed assertion, written
// otherwise in the same function (the same output, the same ending, the same
// other lines of standard error): the function and both conditions.
struct ConditionPair {
    std::string function;  // its bare name
    std::string expected, obtained;
    auto operator<=>(const ConditionPair &) const = default;
};
std::optional<ConditionPair> condition_pair(const RunResult &reference, const RunResult &candidate);

// The two standard errors agree (the rule above).
bool same_errors(std::string_view reference, std::string_view candidate);

}  // namespace exocheck
