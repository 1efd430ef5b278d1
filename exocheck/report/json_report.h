// The report for a script: well-formed JSON whatever the bytes the programs
// wrote.
#pragma once

#include <string>

#include "report/report.h"

namespace exocheck {

// One JSON object: {"program", "seed", "cases", "candidates":
// [{"program", "candidate", "verdict", "cases_run", "differences",
// "follows_statement", "first_difference", ...}]}. A text that is not UTF-8
// is given with its bytes in a field of its own (`<name>_base64`).
std::string json_report(const CheckReport &report);

}  // namespace exocheck
