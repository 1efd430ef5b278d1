#include "sweep_judge.h"

#include <cctype>
#include <cstring>

#include "judge/assertion.h"

using namespace exocheck;

namespace {

bool all_of(std::string_view s, const char *allowed_extra) {
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!(std::islower(u) || std::isdigit(u) || std::strchr(allowed_extra, c))) return false;
    }
    return !s.empty();
}

}  // namespace

bool is_one_diagnostic(const std::string &err, std::string_view program) {
    const auto line = parse_assertion(err);
    return err.ends_with('\n') && line && line->program == program &&
           line->file.find('/') != std::string_view::npos && line->file[0] != '/' &&
           all_of(line->file, "/_.") && all_of(line->function, "_ABCDEFGHIJKLMNOPQRSTUVWXYZ") &&
           !line->condition.empty();
}

std::string judge(const RunResult &r, const ProgramData &p) {
    if (r.timed_out) return "no end within the time limit";
    if (exited_with(r, 0)) return r.err.empty() ? "" : "exit 0 with text on standard error";
    if (exited_with(r, 1) && !p.read_error.empty()) {
        bool ok = p.read_error_on_stdout ? r.out == p.read_error && r.err.empty()
                                         : r.err == p.read_error && r.out.empty();
        return ok ? "" : "exit 1 without exactly the read-error message";
    }
    if (aborted(r)) return is_one_diagnostic(r.err, p.name) ? "" : "abort without one well-formed diagnostic";
    return "undocumented ending: " + describe_end(r);
}
