// The report for a person, in French.
#pragma once

#include <string>

#include "report/report.h"

namespace exocheck {

// A line on the cases, a summary line per candidate, then the details of
// each candidate that differs or follows the statement.
std::string text_report(const CheckReport &report);

}  // namespace exocheck
