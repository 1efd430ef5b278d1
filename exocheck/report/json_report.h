// The report for a script: well-formed JSON whatever the bytes the programs
// wrote.
#pragma once

#include <string>

#include "report/report.h"

namespace exocheck {

// One JSON object: {"program", "seed", "cases", "class", "weights",
// "summary" (the submissions counted by verdict), "candidates":
// [{"program", "name", "candidate", "verdict", "score", "cases_by_kind",
// "cases_run", "differences", "follows_statement", "first_difference",
// ...}], "groups": [{"size", "cause_code", "cause", "minimal_input",
// "submissions"}]}. The score is null unless every case ran. A text that is not UTF-8
// is given with its bytes in a field of its own (`<name>_base64`).
std::string json_report(const CheckReport &report);

}  // namespace exocheck
