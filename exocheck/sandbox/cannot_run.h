// Why a candidate cannot run, found before running it where that is cheap:
// the file itself, its ELF header (its machine, its loader) or its #! line.
#pragma once

#include <string>

namespace exocheck {

// Why `candidate` cannot be run, as a French sentence naming it, or empty:
// missing, a directory, not a regular file, not executable, on a file system
// mounted noexec, an object file, an executable for another machine, a
// script whose interpreter is missing, neither ELF nor a #! script. What only
// starting it tells comes back as RunResult::start_error: see cannot_start.
std::string cannot_run(const std::string &candidate);

// The French sentence for a start_error of `candidate`.
std::string cannot_start(const std::string &candidate, int error);

}  // namespace exocheck
