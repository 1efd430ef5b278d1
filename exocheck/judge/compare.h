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

// True when the difference may come only from the candidate's standard
// input being a pipe rather than a terminal: at a terminal the C library
// writes out a partial line (a prompt without its newline) before it reads,
// while with a pipe a partial line is lost when the program aborts. The runs
// end alike, their standard errors agree, and the candidate's output is the
// reference's without its last, partial, line. The candidate is then run
// again with its standard input at a terminal, and that run is compared.
bool may_depend_on_stdin_buffering(const RunResult &reference, const RunResult &candidate);

// The two standard errors agree (the rule above).
bool same_errors(std::string_view reference, std::string_view candidate);

}  // namespace exocheck
