#include "report/json_report.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include "report/ending.h"
#include "report/json_text.h"
#include "report/visible.h"
#include "version.h"

namespace exocheck {

namespace {

using Members = std::vector<std::pair<std::string, std::string>>;  // name, JSON value

std::string indent(int depth) { return std::string(static_cast<std::size_t>(depth) * 2, ' '); }

// `members` as a JSON object, its values already JSON, laid out at `depth`.
std::string object(const Members &members, int depth) {
    if (members.empty()) return "{}";
    std::string text = "{\n";
    for (std::size_t i = 0; i < members.size(); ++i)
        text += indent(depth + 1) + "\"" + members[i].first + "\": " + members[i].second +
                (i + 1 < members.size() ? ",\n" : "\n");
    return text + indent(depth) + "}";
}

std::string array(const std::vector<std::string> &values, int depth) {
    if (values.empty()) return "[]";
    std::string text = "[\n";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += indent(depth + 1) + values[i] + (i + 1 < values.size() ? ",\n" : "\n");
    return text + indent(depth) + "]";
}

std::string number(std::size_t n) { return std::to_string(n); }
std::string boolean(bool b) { return b ? "true" : "false"; }

// "name": the text, and "name_base64": its bytes when it is not UTF-8.
void add_bytes(Members &members, const std::string &name, std::string_view bytes) {
    members.emplace_back(name, json_text(bytes));
    if (!is_utf8(bytes)) members.emplace_back(name + "_base64", base64(bytes));
}

std::string ending(const RunResult &run, int timeout_ms, int depth) {
    Members m;
    switch (end_kind(run)) {
    case EndKind::exit:
        m = {{"kind", json_text("exit")}, {"status", std::to_string(run.status)}};
        break;
    case EndKind::signal:
        m = {{"kind", json_text("signal")}, {"signal", std::to_string(run.signal)},
             {"signal_name", json_text(signal_name(run.signal))}};
        break;
    case EndKind::time_limit: m = {{"kind", json_text("time_limit")}}; break;
    case EndKind::output_cap: m = {{"kind", json_text("output_too_long")}}; break;
    case EndKind::memory_cap: m = {{"kind", json_text("memory_limit")}}; break;
    case EndKind::not_started: m = {{"kind", json_text("not_started")}, {"errno", std::to_string(run.start_error)}}; break;
    }
    m.emplace_back("text", json_text(describe_ending(run, timeout_ms)));
    return object(m, depth);
}

std::string run(const RunResult &r, int timeout_ms, int depth) {
    Members m;
    add_bytes(m, "stdout", r.out);
    add_bytes(m, "stderr", r.err);
    m.emplace_back("ending", ending(r, timeout_ms, depth + 1));
    return object(m, depth);
}

std::string origin_name(Case::Origin origin) {
    switch (origin) {
    case Case::Origin::dialogue: return "dialogue";
    case Case::Origin::boundary: return "boundary";
    case Case::Origin::generated: break;
    }
    return "generated";
}

// The members of a finding; its input under `input_name`.
// Where a case comes from: {"origin", "number", "seed", "name"}.
std::string case_object(Case::Origin origin, std::size_t n, const CheckReport &r, int depth) {
    Members where = {{"origin", json_text(origin_name(origin))}, {"number", number(n)}};
    if (origin == Case::Origin::generated) where.emplace_back("seed", std::to_string(r.seed));
    where.emplace_back("name", json_text(case_name(origin, n, r.seed)));
    return object(where, depth);
}

Members finding_members(const Finding &f, const CheckReport &r, const CandidateReport &candidate, int depth,
                        const std::string &input_name) {
    Members m = {{"case", case_object(f.origin, f.number, r, depth + 1)}, {"original_size", number(f.original_size)}};
    add_bytes(m, input_name, f.input);
    m.emplace_back("shrink_finished", boolean(f.shrink_finished));
    m.emplace_back("at_terminal", boolean(f.at_terminal));
    m.emplace_back("differs", object({{"stdout", boolean(f.verdict.stdout_differs)},
                                      {"stderr", boolean(f.verdict.stderr_differs)},
                                      {"ending", boolean(f.verdict.ending_differs)}},
                                     depth + 1));
    m.emplace_back("expected", run(f.expected, r.timeout_ms, depth + 1));
    m.emplace_back("obtained", run(f.obtained, r.timeout_ms, depth + 1));
    m.emplace_back("cause", f.cause.text.empty() ? "null" : json_text(f.cause.text));
    m.emplace_back("cause_code", f.cause.code.empty() ? "null" : json_text(f.cause.code));
    if (!f.verdict.statement.empty()) m.emplace_back("statement", json_text(f.verdict.statement));
    m.emplace_back("reproduce", json_text(reproduce_for(candidate, f.input)));
    return m;
}

std::string finding(const Finding &f, const CheckReport &r, const CandidateReport &candidate, int depth) {
    return object(finding_members(f, r, candidate, depth, "input"), depth);
}

// A distinct mistake: its code and its count first, then its example.
std::string mistake(const Mistake &mistake, const CheckReport &r, const CandidateReport &candidate, int depth) {
    Members m = {{"cause_code", mistake.cause_code.empty() ? "null" : json_text(mistake.cause_code)},
                 {"cases", number(mistake.cases)}};
    for (auto &member : finding_members(mistake.example, r, candidate, depth, "minimal_input"))
        if (member.first != "cause_code") m.push_back(std::move(member));
    return object(m, depth);
}

// A memory error or warning: its kind, its place, and its first case shrunk.
std::string memory_finding(const MemoryFinding &f, const CheckReport &r, int depth) {
    Members m = {{"kind", json_text(kind_in_french(f.error.kind))},
                 {"kind_code", json_text(kind_code(f.error.kind))},
                 {"file", f.error.file.empty() ? "null" : json_text(f.error.file)},
                 {"line", f.error.line > 0 ? std::to_string(f.error.line) : "null"},
                 {"function", f.error.function.empty() ? "null" : json_text(f.error.function)}};
    if (!f.source_line.empty()) add_bytes(m, "source_line", f.source_line);
    m.emplace_back("checker", json_text(f.checker));
    add_bytes(m, "checker_message", f.error.what);
    m.emplace_back("cases", number(f.cases));
    m.emplace_back("case", case_object(f.origin, f.number, r, depth + 1));
    m.emplace_back("original_size", number(f.original_size));
    add_bytes(m, "minimal_input", f.input);
    m.emplace_back("shrink_finished", boolean(f.shrink_finished));
    m.emplace_back("output_agrees", boolean(f.output_agrees));
    m.emplace_back("reproduce", json_text(f.reproduce));
    return object(m, depth);
}

std::string memory(const CheckReport &r, const MemoryCheck &check, int depth) {
    std::vector<std::string> errors(check.errors.size()), warnings(check.warnings.size());
    const auto each = [&](const MemoryFinding &f) { return memory_finding(f, r, depth + 2); };
    std::ranges::transform(check.errors, errors.begin(), each);
    std::ranges::transform(check.warnings, warnings.begin(), each);
    return object({{"checkers", json_text(check.checkers)},
                   {"cases", number(check.cases)},
                   {"runs", number(check.runs)},
                   {"stopped", check.stopped.empty() ? "null" : json_text(check.stopped)},
                   {"errors", array(errors, depth + 1)},
                   {"warnings", array(warnings, depth + 1)}},
                  depth);
}

std::string build(const SourceBuild &b, int depth) {
    std::vector<std::string> first(b.first_warnings.size());
    std::ranges::transform(b.first_warnings, first.begin(), [](const std::string &w) { return json_text(w); });
    Members m = {{"command", json_text(b.command)}, {"compiled", boolean(b.compiled)}, {"warnings", number(b.warnings)},
                 {"first_warnings", array(first, depth + 1)}};
    if (!b.compiled) add_bytes(m, "messages", b.messages);
    return object(m, depth);
}

std::string points(double value) { return decimal(value, 2, '.'); }

// The score, or null when the check did not run every case.
std::string score(const CheckReport &r, const CandidateReport &c, int depth) {
    if (!r.all) return "null";
    const Score &s = c.score;
    Members m = {{"out_of_20", points(s.out_of_20)}, {"out_of_100", points(s.out_of_100)}};
    if (s.given)
        m.emplace_back("parts", object({{"dialogues", points(s.dialogues)}, {"boundaries", points(s.boundaries)},
                                        {"generated", points(s.generated)}},
                                       depth + 1));
    else
        m.emplace_back("why", json_text(s.why));
    return object(m, depth);
}

std::string tallies(const CandidateReport &c, int depth) {
    Members m;
    const std::pair<const char *, const OriginTally *> kinds[] = {
        {"dialogues", &c.dialogues}, {"boundaries", &c.boundaries}, {"generated", &c.generated}};
    for (const auto &[name, t] : kinds)
        m.emplace_back(name, object({{"run", number(t->run)}, {"differ", number(t->differ)},
                                     {"follows_statement", number(t->follows_statement)}},
                                    depth + 1));
    return object(m, depth);
}

std::string group(const CheckReport &r, const MistakeGroup &g, int depth) {
    const Finding &f = g.example;
    std::vector<std::string> names(g.members.size());
    std::transform(g.members.begin(), g.members.end(), names.begin(),
                   [&](std::size_t k) { return json_text(r.candidates[k].label()); });
    const std::string &cause = f.cause.text;
    Members m = {{"size", number(g.members.size())},
                 {"cause_code", g.cause_code.empty() ? "null" : json_text(g.cause_code)},
                 {"cause", cause.empty() ? "null" : json_text(cause)}};
    add_bytes(m, "minimal_input", f.input);
    m.emplace_back("submissions", array(names, depth + 1));
    return object(m, depth);
}

std::string candidate(const CheckReport &r, const CandidateReport &c, int depth) {
    Members m = {{"program", json_text(r.program)}, {"name", json_text(c.label())}, {"candidate", json_text(c.candidate)},
                 {"verdict", json_text(standing_code(c.standing()))}};
    if (!c.not_handed_in.empty()) m.emplace_back("not_handed_in", json_text(c.not_handed_in));
    if (!c.cannot_run.empty()) m.emplace_back("cannot_run", json_text(c.cannot_run));
    m.emplace_back("score", score(r, c, depth + 1));
    m.emplace_back("cases_by_kind", tallies(c, depth + 1));
    m.emplace_back("cases_run", number(c.cases_run));
    m.emplace_back("differences", number(c.differences));
    m.emplace_back("follows_statement", number(c.follows_statement));
    m.emplace_back("conditions_otherwise", number(c.conditions_otherwise));
    std::vector<std::string> mistakes(c.mistakes.size());
    std::ranges::transform(c.mistakes, mistakes.begin(),
                           [&](const Mistake &each) { return mistake(each, r, c, depth + 2); });
    m.emplace_back("mistakes", array(mistakes, depth + 1));
    m.emplace_back("first_difference", c.difference ? finding(*c.difference, r, c, depth + 1) : "null");
    m.emplace_back("first_following_statement",
                   c.statement ? finding(*c.statement, r, c, depth + 1) : "null");
    m.emplace_back("first_condition_apart",
                   c.condition_apart ? finding(*c.condition_apart, r, c, depth + 1) : "null");
    m.emplace_back("build", c.build ? build(*c.build, depth + 1) : "null");
    m.emplace_back("memory", c.memory ? memory(r, *c.memory, depth + 1) : "null");
    return object(m, depth);
}

// A time as ISO 8601 in UTC: "2026-12-10T06:30:00Z".
std::string utc_time(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[32] = "";
    if (gmtime_r(&t, &parts) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

}  // namespace

std::string json_report(const CheckReport &report) {
    std::vector<std::string> candidates(report.candidates.size());
    std::transform(report.candidates.begin(), report.candidates.end(), candidates.begin(),
                   [&](const CandidateReport &c) { return candidate(report, c, 2); });
    std::vector<std::string> groups(report.groups.size());
    std::transform(report.groups.begin(), report.groups.end(), groups.begin(),
                   [&](const MistakeGroup &g) { return group(report, g, 2); });
    constexpr Standing STANDINGS[] = {Standing::agree,      Standing::follows_statement, Standing::differ,
                                      Standing::memory_errors, Standing::cannot_run,     Standing::does_not_compile,
                                      Standing::not_handed_in};
    Members summary(std::size(STANDINGS) + 1);
    summary[0] = {"submissions", number(report.candidates.size())};
    std::transform(std::begin(STANDINGS), std::end(STANDINGS), summary.begin() + 1, [&](Standing s) {
        return std::pair(standing_code(s), number(report.count(s)));
    });
    Members weights = {{"dialogues", points(report.weights.dialogues)},
                       {"boundaries", points(report.weights.boundaries)},
                       {"generated", points(report.weights.generated)}};
    Members causes;
    for (const auto &[code, weight] : report.weights.causes) causes.emplace_back(code, points(weight));
    weights.emplace_back("causes", object(causes, 2));
    const Members top = {
        {"exocheck_version", json_text(PETITS_VERSION)},
        {"checked_at", json_text(utc_time(report.checked_at))},
        {"program", json_text(report.program)},
        {"seed", std::to_string(report.seed)},
        {"cases", object({{"dialogues", number(report.dialogues)},
                          {"boundaries", number(report.boundaries)},
                          {"generated", number(report.generated)}},
                         1)},
        {"all", boolean(report.all)},
        {"conditions_apart", boolean(report.conditions_apart)},
        {"timeout_ms", std::to_string(report.timeout_ms)},
        {"memory", boolean(report.memory)},
        {"class", report.class_folder.empty() ? "null" : json_text(report.class_folder)},
        {"weights", object(weights, 1)},
        {"summary", object(summary, 1)},
        {"candidates", array(candidates, 1)},
        {"groups", array(groups, 1)},
    };
    return object(top, 0) + "\n";
}

}  // namespace exocheck
