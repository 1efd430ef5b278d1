// The text report's parts about sources and memory: the compiler's warnings
// above the report, a source that does not compile, the memory check's
// counts in a candidate's summary line, and each memory error explained.
#pragma once

#include <string>

#include "report/report.h"

namespace exocheck {

// For each source that compiled with warnings: how many, and the first few
// with their lines. Empty when there are none.
std::string compiler_warnings_text(const CheckReport &report);

// " ; mémoire : 1 erreur, 1 avertissement (45 exécutions sous Valgrind)",
// to end a candidate's summary line; empty without a memory check.
std::string memory_summary_part(const CandidateReport &candidate);

// The details of a candidate: the compiler's messages when it does not
// compile; each memory error, then each warning, on its minimal input.
std::string source_and_memory_details(const CheckReport &report, const CandidateReport &candidate);

}  // namespace exocheck
