// Hostile-input sweep: feeds one program a few hundred generated inputs, from
// a fixed seed, and checks that every run ends in a documented way:
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
#include <map>
#include <cstring>
#include <string>
#include <vector>

#include "run_program.h"
#include "sweep_grammar.h"

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

bool all_of(const std::string &s, const char *allowed_extra, bool digits_only = false) {
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        bool ok = digits_only ? std::isdigit(u) : (std::islower(u) || std::isdigit(u) || std::strchr(allowed_extra, c));
        if (!ok) return false;
    }
    return !s.empty();
}

// One assertion diagnostic line of this program, and nothing else:
//   prog: dir/file.cpp:line: function: Assertion `condition' failed.
bool is_one_diagnostic(const std::string &err, const std::string &program) {
    const std::string head = program + ": ", mark = ": Assertion `", tail = "' failed.\n";
    if (err.compare(0, head.size(), head) != 0 || err.size() < head.size() + tail.size() ||
        err.compare(err.size() - tail.size(), tail.size(), tail) != 0 ||
        err.find('\n') != err.size() - 1)
        return false;
    const size_t file_end = err.find(':', head.size());
    const size_t line_end = err.find(": ", file_end + 1);
    const size_t mark_at = err.find(mark, line_end + 1);
    if (file_end == std::string::npos || line_end == std::string::npos || mark_at == std::string::npos)
        return false;
    const std::string file = err.substr(head.size(), file_end - head.size());
    const std::string line = err.substr(file_end + 1, line_end - file_end - 1);
    const std::string function = err.substr(line_end + 2, mark_at - line_end - 2);
    const size_t condition_length = err.size() - tail.size() - (mark_at + mark.size());
    return file.find('/') != std::string::npos && file[0] != '/' && all_of(file, "/_.") &&
           all_of(line, "", true) && all_of(function, "_ABCDEFGHIJKLMNOPQRSTUVWXYZ") &&
           condition_length > 0;
}

// Empty when the run ended in a documented way, else what went wrong.
std::string judge(const RunResult &r, const Grammar &g) {
    if (r.timed_out) return "no end within the time limit";
    if (exited_with(r, 0)) return r.err.empty() ? "" : "exit 0 with text on standard error";
    if (exited_with(r, 1) && g.read_error) {
        bool ok = g.read_error_on_stdout ? r.out == g.read_error && r.err.empty()
                                         : r.err == g.read_error && r.out.empty();
        return ok ? "" : "exit 1 without exactly the read-error message";
    }
    if (aborted(r)) return is_one_diagnostic(r.err, g.program) ? "" : "abort without one well-formed diagnostic";
    return "undocumented ending: " + describe_end(r);
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
    const Grammar *grammar = grammar_for(name);
    if (!grammar) {
        std::fprintf(stderr, "hostile_sweep: no input grammar for %s\n", name.c_str());
        return 2;
    }

    InputGenerator gen(*grammar, seed);
    RunOptions options;
    options.timeout_ms = 5000;
    Tally tally;
    std::vector<std::string> inputs = gen.heavy_inputs();
    while (static_cast<int>(inputs.size()) < count) inputs.push_back(gen.next());

    for (const std::string &input : inputs) {
        RunResult r = run_program(path, input, options);
        std::string fault = judge(r, *grammar);
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
