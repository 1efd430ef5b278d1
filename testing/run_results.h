// Results of runs that never happened, for the tests of what judges a run:
// one that exited with `status`, or was ended by `signal`, having written
// `out` and `err`.
#pragma once

#include <string>
#include <utility>

#include "run/run_program.h"

inline exocheck::RunResult exited(int status, std::string out = "", std::string err = "") {
    exocheck::RunResult r;
    r.exited = true;
    r.status = status;
    r.out = std::move(out);
    r.err = std::move(err);
    return r;
}

inline exocheck::RunResult signalled(int signal, std::string out = "", std::string err = "") {
    exocheck::RunResult r;
    r.signal = signal;
    r.out = std::move(out);
    r.err = std::move(err);
    return r;
}
