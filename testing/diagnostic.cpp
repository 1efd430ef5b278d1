#include "diagnostic.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "judge/assertion.h"
#include "run/launcher.h"

using namespace exocheck;

using namespace std::string_literals;

namespace {

std::string escape_regex(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) out += '\\';
        out += c;
    }
    return out;
}

std::string shown(const RunResult &r) {
    return "\n  ended: " + describe_end(r) + "\n  stdout: [" + r.out + "]\n  stderr: [" + r.err + "]";
}

}  // namespace

std::string death_regex(const std::string &file, const std::string &function,
                        const std::string &condition) {
    std::string regex = "^";
    regex += escape_regex(program_invocation_short_name);
    regex += ": " + escape_regex(file) + ":[0-9]+: " + escape_regex(function);
    regex += ": Assertion `" + escape_regex(condition) + "' failed\\.\n";
    // A test process run by an emulator dies through it, which may say so.
    if (emulated()) regex += "("s + EMULATOR_REPORT_REGEX + ")?";
    return regex + "$";
}

testing::AssertionResult is_diagnostic(const std::string &err, const std::string &program,
                                       const std::string &file, const std::string &function,
                                       const std::string &condition) {
    const auto line = parse_assertion(err);
    if (err.ends_with('\n') && line && line->program == program && line->file == file &&
        line->function == function && line->condition == condition)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected the diagnostic\n  " << program << ": " << file
                                       << ":<line>: " << function << ": Assertion `" << condition
                                       << "' failed.\ngot\n  [" << err << "]";
}

testing::AssertionResult aborted_with(const RunResult &r, const std::string &program,
                                      const std::string &file, const std::string &function,
                                      const std::string &condition) {
    if (!aborted(r)) return testing::AssertionFailure() << "expected SIGABRT" << shown(r);
    return is_diagnostic(r.err, program, file, function, condition);
}

testing::AssertionResult exited_cleanly(const RunResult &r, int status) {
    if (exited_with(r, status) && r.err.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected exit " << status << " with empty stderr"
                                       << shown(r);
}
