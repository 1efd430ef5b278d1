// How a run of the sweep must end.
#pragma once

#include <string>

#include "run_program.h"
#include "sweep_grammar.h"

// True when err is exactly one assertion diagnostic line of this program:
//   prog: dir/file.cpp:line: function: Assertion `condition' failed.
bool is_one_diagnostic(const std::string &err, const std::string &program);

// Empty when the run ended in a documented way, else what went wrong.
std::string judge(const RunResult &r, const Grammar &g);
