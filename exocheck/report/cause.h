// The likely cause of a difference between the reference's run and the
// candidate's, when a known pattern matches: how the candidate ended (time
// limit, output too long, a signal, an assertion the reference has and the
// candidate has not), the failed assertion's function or condition, a
// message on the other stream, then the text of each output that differs
// (a newline, white space, accents, the decimals, the rounding or the sign
// of a number, a wrap at midnight, a value off by one, the prompt, missing
// or extra text), then the exit status.
#pragma once

#include <string>

#include "judge/compare.h"
#include "run/run_program.h"

namespace exocheck {

// One sentence in French, without "Piste : ", or empty when nothing matches.
std::string likely_cause(const Verdict &verdict, const RunResult &expected, const RunResult &obtained,
                         int timeout_ms);

}  // namespace exocheck
