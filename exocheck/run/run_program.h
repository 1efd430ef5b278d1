// Runs a built program with a given standard input and collects what it wrote
// and how it ended: the end-to-end tests of every program, and exocheck's runs
// of the references (trusted programs: pipes for the three streams). An
// untrusted candidate runs confined instead (sandbox.h), with the same result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exocheck {

struct RunResult {
    std::string out;      // standard output bytes
    std::string err;      // standard error bytes
    bool exited = false;  // ended through exit (status valid)
    int status = -1;      // exit status when exited
    int signal = 0;       // terminating signal otherwise
    bool timed_out = false;   // killed at the time limit (wall clock, or CPU time)
    bool out_capped = false;  // a stream passed the output cap: killed, the stream cut at the cap
    bool memory_capped = false;  // its processes together used more than the memory cap: killed
    int start_error = 0;      // errno when the program could not be started, else 0
};

struct RunOptions {
    int timeout_ms = 10000;   // the child is killed with SIGKILL past this
    std::string stdout_path;  // when set, standard output goes to this file
    std::vector<std::string> arguments;  // after the program's path
};

RunResult run_program(const std::string &path, std::string_view input, const RunOptions &options = {});

// "exit 0", "exit 1", "signal 6 (Aborted)", "timed out", "output too long",
// "not started (No such file or directory)": for messages.
std::string describe_end(const RunResult &r);

bool exited_with(const RunResult &r, int status);
bool aborted(const RunResult &r);  // ended by SIGABRT

}  // namespace exocheck
