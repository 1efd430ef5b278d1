// TEMPORARY STAND-IN, replaced at merge by the cases' own compare.h: the interface only.
#pragma once

#include <string>
#include <string_view>

#include "programs.h"
#include "run_program.h"

struct Verdict {
    enum class Kind { agree, differ, follows_statement } kind = Kind::agree;
    bool stdout_differs = false, stderr_differs = false, ending_differs = false;
    std::string statement;
};
Verdict compare(const ProgramData &program, std::string_view input, const RunResult &reference,
                const RunResult &candidate);
bool may_depend_on_stdin_buffering(const RunResult &reference, const RunResult &candidate);
