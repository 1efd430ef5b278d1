// A submission's score, out of 100 and out of 20, built on its distinct
// mistakes rather than on its count of differing cases (which measures how
// often the generated cases hit a mistake, not how many there are):
//   - the dialogues part: its weight (40 by default) times the share of the
//     manual's dialogues that agree;
//   - the boundaries part: its weight (30) times the share of the boundary
//     cases that agree;
//   - the generated part: its weight (30) less a third of it for each
//     distinct mistake found among the generated cases, down to 0.
// A case that follows the statement agrees. A differing case, and a mistake,
// counts at its cause code's weight (1 unless the teacher says otherwise; a
// case counts at most 1). A kind of case that the check did not have is left
// out and the others scaled to 100. The sum is rounded to half a point, and
// out of 20 is it divided by 5. A submission that cannot run or was not
// handed in scores nothing, and neither does one whose check stopped at its
// first difference: each says why.
#pragma once

#include <string>
#include <string_view>

#include "report/report.h"

namespace exocheck {

// Scores every submission of `report` by report.weights.
void grade(CheckReport &report);

// Sets one weight from "NAME=VALUE": NAME is dialogues, boundaries or
// generated (points, 0 to 100), or a cause code (a weight from 0 to 10);
// VALUE has up to three decimals after a point or a comma. Returns what is
// wrong, in French, or empty.
std::string set_weight(ScoreWeights &weights, std::string_view assignment);

// Sets the weights given in a file, one "NAME=VALUE" a line; blank lines and
// lines starting with # are skipped. Returns what is wrong (the file, its
// line), or empty.
std::string read_weights(ScoreWeights &weights, const std::string &path);

}  // namespace exocheck
