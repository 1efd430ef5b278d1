// How a run ended, in the report's words.
#pragma once

#include <string>

#include "run/run_program.h"

namespace exocheck {

enum class EndKind { exit, signal, time_limit, output_cap, memory_cap, not_started };

EndKind end_kind(const RunResult &run);

// "code de sortie 0", "erreur de segmentation (SIGSEGV)", "limite de temps
// dépassée (2 s)", "sortie trop longue (plus de 1 Mio)", "lancement
// impossible (format d'exécutable non reconnu)".
std::string describe_ending(const RunResult &run, int timeout_ms);

// "SIGSEGV", or "signal 42" for a number without a name.
std::string signal_name(int signal);
// "erreur de segmentation (SIGSEGV)".
std::string signal_in_french(int signal);

// How much a run may write on one stream, in the report's words: "1 Mio",
// the runner's cap (sandbox/run_limits.h).
std::string output_cap_in_french();

// A duration in seconds written the French way: "2 s", "0,5 s".
std::string seconds_in_french(int milliseconds);

// The memory cap of a run's processes together: "640 Mio".
std::string memory_cap_in_french();

// Why a program could not start, from its errno.
std::string start_error_in_french(int error);

}  // namespace exocheck
