#include "sweep_judge.h"

#include <cctype>
#include <cstring>

namespace {

bool all_of(const std::string &s, const char *allowed_extra, bool digits_only = false) {
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        bool ok = digits_only ? std::isdigit(u) : (std::islower(u) || std::isdigit(u) || std::strchr(allowed_extra, c));
        if (!ok) return false;
    }
    return !s.empty();
}

}  // namespace

// One assertion diagnostic line of this program, and nothing else:
//   prog: dir/file.cpp:line: function: Assertion `condition' failed.
bool is_one_diagnostic(const std::string &err, const std::string &program) {
    const std::string head = program + ": ", mark = ": Assertion `", tail = "' failed.\n";
    if (err.compare(0, head.size(), head) != 0 || err.size() < head.size() + tail.size() ||
        err.compare(err.size() - tail.size(), tail.size(), tail) != 0 ||
        err.find('\n') != err.size() - 1)
        return false;
    const size_t file_end = err.find(':', head.size());
    if (file_end == std::string::npos) return false;
    const size_t line_end = err.find(": ", file_end + 1);
    if (line_end == std::string::npos) return false;
    const size_t mark_at = err.find(mark, line_end + 1);
    if (mark_at == std::string::npos || mark_at + mark.size() > err.size() - tail.size()) return false;
    const std::string file = err.substr(head.size(), file_end - head.size());
    const std::string line = err.substr(file_end + 1, line_end - file_end - 1);
    const std::string function = err.substr(line_end + 2, mark_at - line_end - 2);
    const size_t condition_length = err.size() - tail.size() - (mark_at + mark.size());
    return file.find('/') != std::string::npos && file[0] != '/' && all_of(file, "/_.") &&
           all_of(line, "", true) && all_of(function, "_ABCDEFGHIJKLMNOPQRSTUVWXYZ") &&
           condition_length > 0;
}

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

