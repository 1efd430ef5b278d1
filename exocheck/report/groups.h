// The class's common mistakes: every distinct mistake of every submission,
// grouped across the submissions by cause code and minimal input (and, for a
// mistake without a likely cause, by what the submission wrote on it), the
// largest group first; a mistake no one else makes is a group of one.
#pragma once

#include "report/report.h"

namespace exocheck {

// Fills report.groups from each submission's mistakes (mistakes_of).
void group_mistakes(CheckReport &report);

}  // namespace exocheck
