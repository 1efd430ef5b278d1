// For bench/run: how long exocheck takes to shrink a difference found in a
// large input. Judges CANDIDATE against PROGRAM's reference on the bytes of
// INPUT_FILE and, when they differ, shrinks that input as a check does
// (in the sandbox when there is one). Prints
//   <bytes of the input> <bytes of the shrunk input> <seconds> <finished: 1 or 0>
// Usage: exocheck_shrink_timing PROGRAM CANDIDATE INPUT_FILE
// Exit status 0, or 1 when the candidate agrees on that input, 2 on a usage error.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "check/check.h"
#include "main/mends.h"
#include "main/reference.h"
#include "sandbox/runner.h"
#include "sandbox/worker.h"

using namespace exocheck;

int main(int argc, char **argv) {
    // The runner starts this program again as its workers, as it starts exocheck.
    if (const std::optional<int> status = internal_worker(argc, argv)) return *status;
    const ProgramData *program = argc == 4 ? find_program(argv[1]) : nullptr;
    std::string tried;
    const std::string reference = program == nullptr ? "" : find_reference(*program, tried);
    std::ifstream file(argc == 4 ? argv[3] : "", std::ios::binary);
    if (reference.empty() || !file) {
        std::fputs("usage: exocheck_shrink_timing PROGRAM CANDIDATE INPUT_FILE\n", stderr);
        return 2;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string input = bytes.str();
    const Candidate candidate{argv[2], std::filesystem::absolute(argv[2]).string(), ""};
    CheckSettings settings;
    settings.mend = mend_of(program->name);
    try {
        CandidateRunner runner(sandbox_available() ? Isolation::sandbox : Isolation::none, 1, {candidate.path},
                               settings.limits);
        const auto start = std::chrono::steady_clock::now();
        const auto found = shrink_input(reference, candidate, input, settings, runner);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!found) return 1;
        std::printf("%zu %zu %.3f %d\n", input.size(), found->input.size(), took.count(),
                    found->shrink_finished ? 1 : 0);
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "exocheck_shrink_timing: %s\n", error.what());
        return 2;
    }
    return 0;
}
