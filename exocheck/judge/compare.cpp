#include "judge/compare.h"

#include "judge/assertion.h"

namespace exocheck {

namespace {

bool ends_normally(const RunResult &r) {
    return !r.timed_out && !r.out_capped && !r.memory_capped && r.start_error == 0;
}

bool same_ending(const RunResult &reference, const RunResult &candidate) {
    if (!ends_normally(reference) || !ends_normally(candidate)) return false;
    if (reference.exited != candidate.exited) return false;
    return reference.exited ? reference.status == candidate.status : reference.signal == candidate.signal;
}

// The next line of `text`, its newline included when it has one.
std::string_view take_line(std::string_view &text) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
    text.remove_prefix(line.size());
    return line;
}

bool same_line(std::string_view reference, std::string_view candidate) {
    if (reference == candidate) return true;
    if (reference.ends_with('\n') != candidate.ends_with('\n')) return false;
    const auto expected = parse_assertion(reference), got = parse_assertion(candidate);
    return expected && got && expected->condition == got->condition &&
           bare_function_name(expected->function) == bare_function_name(got->function);
}

// Follows the statement: does what the statement's letter says where the
// reference mends it, and agrees with the reference in all else.
bool follows(const StatementRun &statement, const RunResult &reference, const RunResult &candidate) {
    if (!same_errors(reference.err, candidate.err)) return false;
    if (statement.out && candidate.out == *statement.out && same_ending(reference, candidate)) return true;
    return statement.out_before_endless && candidate.timed_out && !candidate.out_capped &&
           candidate.out == *statement.out_before_endless;
}

}  // namespace

bool same_errors(std::string_view reference, std::string_view candidate) {
    while (!reference.empty() || !candidate.empty())
        if (!same_line(take_line(reference), take_line(candidate))) return false;
    return true;
}

Verdict compare(std::string_view input, const RunResult &reference, const RunResult &candidate, Mend mend) {
    Verdict verdict;
    verdict.stdout_differs = reference.out != candidate.out;
    verdict.stderr_differs = !same_errors(reference.err, candidate.err);
    verdict.ending_differs = !same_ending(reference, candidate);
    if (!verdict.stdout_differs && !verdict.stderr_differs && !verdict.ending_differs) return verdict;
    verdict.kind = Verdict::Kind::differ;
    if (mend == nullptr) return verdict;
    if (const auto statement = mend(input, reference); statement && follows(*statement, reference, candidate)) {
        verdict.kind = Verdict::Kind::follows_statement;
        verdict.statement = statement->mend;
    }
    return verdict;
}

bool may_depend_on_stdin_buffering(const RunResult &reference, const RunResult &candidate) {
    if (candidate.exited || !ends_normally(candidate)) return false;
    return candidate.out.size() < reference.out.size() && reference.out.starts_with(candidate.out);
}

std::optional<ConditionPair> condition_pair(const RunResult &reference, const RunResult &candidate) {
    if (reference.out != candidate.out || !same_ending(reference, candidate)) return std::nullopt;
    std::string_view e = reference.err, o = candidate.err;
    std::optional<ConditionPair> pair;
    while (!e.empty() || !o.empty()) {
        const std::string_view le = take_line(e), lo = take_line(o);
        if (same_line(le, lo)) continue;
        const auto ae = parse_assertion(le), ao = parse_assertion(lo);
        if (pair || !ae || !ao || bare_function_name(ae->function) != bare_function_name(ao->function)) return std::nullopt;
        pair = ConditionPair{std::string(bare_function_name(ae->function)), std::string(ae->condition),
                             std::string(ao->condition)};
    }
    return pair;
}

}  // namespace exocheck
