// exocheck's knowledge of the quadratic solver's statement, where the
// reference mends it (judge/mend.h): for complex roots the statement fills
// its line "x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|" with b, delta,
// b, delta; the reference writes r = -b/(2a) and d = delta/(4a^2), so that
// "r - iv|d|" reads r - i sqrt(|d|). Not part of the program: a library of
// exocheck's.
#pragma once

#include <optional>
#include <string_view>

#include "judge/mend.h"

namespace exocheck {

// The mend of quadroots.
std::optional<StatementRun> quadroots_statement_run(std::string_view input, const RunResult &reference);

}  // namespace exocheck
