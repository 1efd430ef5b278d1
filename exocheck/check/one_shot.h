// One command run once, confined like a candidate's run (runner.h): the
// compiler of a candidate given as a source. It reads one file, the source,
// and writes into one directory, the output's; it has no input, a time
// limit, limits on its processes' memory and files, and an output cap.
#pragma once

#include <string>
#include <vector>

#include "run/run_program.h"
#include "sandbox/runner.h"

namespace exocheck {

struct OneShot {
    // command[0] is an absolute path. It runs in a directory where the
    // source is found by its own name, and refers to the output directory
    // by its absolute path, confined or not.
    std::vector<std::string> command;
    std::string source;      // the file it reads
    std::string output_dir;  // an absolute path: where it writes, also its TMPDIR
    int timeout_ms = 60000;
    std::string input;
    std::vector<std::string> environment;  // added
};

// Runs it, in a bubblewrap sandbox of its own for Isolation::sandbox. Throws
// std::runtime_error (French message) when it cannot be confined.
RunResult run_one_shot(const OneShot &shot, Isolation isolation);

}  // namespace exocheck
