// How a run of the sweep must end.
#pragma once

#include <string>

#include "cases/programs.h"
#include "run/run_program.h"

// True when err is exactly one assertion diagnostic line of this program,
// naming its source by its path in the repository:
//   prog: dir/file.cpp:line: function: Assertion `condition' failed.
bool is_one_diagnostic(const std::string &err, std::string_view program);

// Empty when the run ended in a documented way, else what went wrong.
std::string judge(const exocheck::RunResult &r, const exocheck::ProgramData &p);
