// Hostile-input sweep: feeds one program a few hundred inputs (its boundary
// cases and generated ones, from a fixed seed), and checks that every run
// ends in a documented way:
//   - exit status 0, nothing on standard error;
//   - exit status 1 with the program's own read-error message (barmax, pairrule);
//   - SIGABRT after exactly one assertion diagnostic line.
// Anything else (another signal, a sanitizer report, a hang, stray text on
// standard error) is reported with the input, escaped, so it can be replayed.
//
// usage: hostile_sweep <program-path> [count] [seed]
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "run/run_program.h"
#include "cases/grammar.h"
#include "sweep_judge.h"

using namespace exocheck;

namespace {

struct Tally {
    int exit0 = 0, read_error = 0, aborts = 0, failures = 0;
};

std::string escaped(const std::string &input) {
    std::string out;
    const size_t shown = input.size() > 400 ? 400 : input.size();
    for (size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(input[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
            // Keep a following hex digit from joining the escape.
            if (i + 1 < shown && std::isxdigit(static_cast<unsigned char>(input[i + 1]))) out += "\"\"";
        }
    }
    if (shown < input.size()) out += "\"... (" + std::to_string(input.size()) + " bytes in all)";
    else out += "\"";
    return "\"" + out;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program-path> [count] [seed]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const int count = argc > 2 ? std::atoi(argv[2]) : 300;
    const uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261208;
    const ProgramData *program = find_program(name);
    if (!program) {
        std::fprintf(stderr, "hostile_sweep: %s is not a program of petits-calculs\n", name.c_str());
        return 2;
    }

    InputGenerator gen(*program, seed);
    RunOptions options;
    options.timeout_ms = 5000;
    Tally tally;
    // The large inputs, the program's dialogues and boundary cases, then
    // generated hostile inputs up to the count.
    std::vector<std::string> inputs = gen.heavy_inputs();
    inputs.insert(inputs.end(), program->dialogues.begin(), program->dialogues.end());
    inputs.insert(inputs.end(), program->boundary.begin(), program->boundary.end());
    while (static_cast<int>(inputs.size()) < count) inputs.push_back(gen.next());

    for (const std::string &input : inputs) {
        RunResult r = run_program(path, input, options);
        std::string fault = judge(r, *program);
        if (!fault.empty()) {
            if (++tally.failures <= 5)
                std::printf("FAIL %s: %s\n  input: %s\n  ended: %s\n  stdout: %s\n  stderr: %s\n",
                            name.c_str(), fault.c_str(), escaped(input).c_str(), describe_end(r).c_str(),
                            escaped(r.out).c_str(), escaped(r.err).c_str());
        } else if (r.exited && r.status == 0) {
            ++tally.exit0;
        } else if (r.exited) {
            ++tally.read_error;
        } else {
            ++tally.aborts;
        }
    }
    std::printf("sweep %s: %zu inputs: %d exit 0, %d read errors (exit 1), %d assertion aborts, %d undocumented\n",
                name.c_str(), inputs.size(), tally.exit0, tally.read_error, tally.aborts, tally.failures);
    return tally.failures == 0 ? 0 : 1;
}
