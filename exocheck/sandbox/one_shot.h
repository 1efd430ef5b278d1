// One command run once, confined like a candidate's run: the compiler of a
// candidate given as a source. It reads one file, the source, and writes
// one, its output; it has no input, a time limit, limits on its memory and
// its files, and an output cap.
#pragma once

#include <string>
#include <vector>

#include "run/run_program.h"
#include "sandbox/runner.h"

namespace exocheck {

struct OneShot {
    // command[0] is an absolute path. It runs where the source is found by
    // its file name alone, and names its output by `output`.
    std::vector<std::string> command;
    std::string source;  // the file it reads
    std::string output;  // an absolute path: the file it makes, in a directory of exocheck's
    int timeout_ms = 60000;
    std::vector<std::string> hidden;  // never shown (view.h): the references, exocheck's own files
};

// Runs it. With Isolation::sandbox, in a bubblewrap sandbox of its own that
// shows the system alone (view.h), without network, as nobody when exocheck
// is root: the source is copied in as /src/<its name>, its working
// directory; `output`, wherever the command names it, is made in the
// sandbox's own /tmp and copied out to `output` (made empty before the run)
// once the command succeeds;
// nothing else of the machine can be read or written. Without, in the
// source's folder, with its output's directory as TMPDIR. Throws
// std::runtime_error (French message) when it cannot be started.
RunResult run_one_shot(const OneShot &shot, Isolation isolation);

}  // namespace exocheck
