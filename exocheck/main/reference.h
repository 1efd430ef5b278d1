// Where the reference programs are: beside exocheck itself, never through
// PATH, so that a candidate named like the reference is never taken for it.
#pragma once

#include <string>

#include "cases/programs.h"

namespace exocheck {

// The path of `program`'s reference, found from exocheck's own location
// (/proc/self/exe, directory D): D/../<folder>/<name> as the build tree
// lays them out, else D/<name> as they are installed. Empty when neither is
// an executable file; `tried` then lists the paths looked at.
std::string find_reference(const ProgramData &program, std::string &tried);

}  // namespace exocheck
