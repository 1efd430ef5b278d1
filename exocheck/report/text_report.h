// The report for a person, in French, and its sentences, which the other
// writers reuse so that every format says the same.
#pragma once

#include <string>

#include "report/report.h"

namespace exocheck {

// A line on the cases; in a class, a line on the class; a summary line per
// submission (with its score when every case ran); for several submissions,
// a line that counts them by standing, then their common mistakes, 80
// columns wide; then the details of each submission that differs or follows
// the statement.
std::string text_report(const CheckReport &report);

// "tickup : 1035 cas (4 dialogues du manuel, ...).\n"
std::string cases_line(const CheckReport &report);
// A submission's summary, after "name : " and without the full stop:
// "1035 cas, aucune différence ; note 20/20", "rien rendu (...)".
std::string summary_text(const CheckReport &report, const CandidateReport &candidate);
// "note 17,5/20".
std::string score_text(const Score &score);
// The cases of one origin: "31 cas, 2 différences".
std::string tally_text(const OriginTally &tally);
// "Bilan : 8 rendus ; 3 sans différence, 2 différents, 1 rien rendu", no full stop.
std::string class_summary(const CheckReport &report);
// A difference, or a case that follows the statement, as the report
// explains it: its minimal input, each stream, the endings, the likely
// cause, the command that reproduces it (a source's build first); every
// byte visible.
std::string finding_text(const Finding &finding, const CheckReport &report, const CandidateReport &candidate);

}  // namespace exocheck
