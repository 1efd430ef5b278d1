// TEMPORARY STAND-IN for the runner, replaced at merge: runs candidates unconfined with
// run_program, their standard output line-buffered by stdbuf as at a terminal; no sandbox.
#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "sandbox.h"

bool sandbox_available() { return access("/usr/bin/bwrap", X_OK) == 0; }

std::string cannot_run(const std::string &candidate) {
    struct stat st {};
    if (stat(candidate.c_str(), &st) != 0) return "« " + candidate + " » n'existe pas";
    if (S_ISDIR(st.st_mode)) return "« " + candidate + " » est un répertoire";
    if (access(candidate.c_str(), X_OK) != 0) return "« " + candidate + " » n'est pas exécutable";
    return "";
}

CandidateRunner::CandidateRunner(Isolation, int, const std::vector<std::string> &, RunLimits limits)
    : limits_(limits) {}

CandidateRunner::~CandidateRunner() = default;

RunResult CandidateRunner::run(int, const std::string &candidate, std::string_view input,
                               bool stdin_terminal) {
    RunOptions options;
    options.timeout_ms = limits_.timeout_ms;
    options.arguments = {"-oL"};
    if (stdin_terminal) options.arguments.emplace_back("-i0");
    options.arguments.push_back(candidate);
    RunResult r;
    try {
        r = run_program("/usr/bin/stdbuf", input, options);
    } catch (const std::runtime_error &) {
        r.start_error = EAGAIN;
    }
    if (r.exited && r.status >= 126 && r.err.find("stdbuf: failed to run command") != std::string::npos)
        r.start_error = r.status == 127 ? ENOENT : ENOEXEC;
    if (r.out.size() > limits_.output_cap || r.err.size() > limits_.output_cap) {
        r.out_capped = true;
        r.out.resize(std::min(r.out.size(), limits_.output_cap));
        r.err.resize(std::min(r.err.size(), limits_.output_cap));
    }
    return r;
}

void CandidateRunner::kill_all() noexcept {}
