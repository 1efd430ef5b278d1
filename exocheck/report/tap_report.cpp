// The TAP version 14 report, for a TAP harness such as prove (formats.h).
#include "report/formats.h"

#include "report/cause.h"
#include "report/markup.h"
#include "report/memory_report.h"
#include "report/text_report.h"

namespace exocheck {

namespace {

// A test point's description: one line, with \ and # escaped.
std::string description(std::string_view text) {
    std::string out;
    for (const char c : clean_text(text)) {
        if (c == '\\' || c == '#') out += '\\';
        out += c == '\n' || c == '\t' ? ' ' : c;
    }
    return out;
}

// A YAML string between double quotes.
std::string yaml_text(std::string_view text) {
    std::string out = "\"";
    for (const char c : clean_text(text)) {
        if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out + "\"";
}

// The YAML block under a test point that fails, `indent` deep.
std::string yaml_block(const std::vector<std::pair<std::string, std::string>> &fields, const std::string &indent) {
    std::string block = indent + "---\n";
    for (const auto &[name, value] : fields) block.append(indent).append(name).append(": ").append(value).append("\n");
    return block + indent + "...\n";
}

std::string kind_point(const CheckReport &r, const CandidateReport &c, Case::Origin origin, std::size_t number) {
    const OriginTally &t = tally_of(c, origin);
    std::string point = std::string(t.differ > 0 ? "    not ok " : "    ok ") + std::to_string(number) + " - " +
                        description(origin_in_french(origin) + " : " + tally_text(t)) + "\n";
    if (t.differ == 0) return point;
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t k = 0;
    for (const Mistake &m : mistakes_of(c)) {
        ++k;
        if (cases_from(m, origin) == 0) continue;
        const std::string &cause = m.example.cause.text;
        if (fields.empty()) fields.emplace_back("message", yaml_text(cause.empty() ? "différence sans piste connue" : cause));
        fields.emplace_back("mistake_" + std::to_string(k),
                            yaml_text((m.cause_code.empty() ? "" : m.cause_code + ", ") +
                                      std::to_string(cases_from(m, origin)) + " cas ici, " +
                                      case_name(m.example.origin, m.example.number, r.seed) + "\n" +
                                      finding_text(m.example, r, c)));
    }
    return point + yaml_block(fields, "      ");
}

std::string submission_point(const CheckReport &r, const CandidateReport &c, std::size_t number) {
    const Standing standing = c.standing();
    const bool ok = standing == Standing::agree || standing == Standing::follows_statement;
    std::string text;
    if (standing != Standing::cannot_run && standing != Standing::not_handed_in &&
        standing != Standing::does_not_compile) {
        text += "# Subtest: " + description(c.label()) + "\n    1..3\n";
        for (std::size_t k = 0; k < std::size(ORIGINS); ++k) text += kind_point(r, c, ORIGINS[k], k + 1);
    }
    text += std::string(ok ? "ok " : "not ok ") + std::to_string(number) + " - " +
            description(c.label() + " : " + summary_text(r, c)) + "\n";
    std::vector<std::pair<std::string, std::string>> fields;
    if (standing == Standing::cannot_run || standing == Standing::not_handed_in)
        fields.emplace_back("message", yaml_text(standing == Standing::cannot_run ? c.cannot_run
                                                                                   : "rien rendu : " + c.not_handed_in));
    // A source's build and the memory check, as the text report explains them.
    if (const std::string details = source_and_memory_details(r, c); !details.empty())
        fields.emplace_back(standing == Standing::does_not_compile ? "message" : "memory", yaml_text(details.substr(1)));
    fields.emplace_back("path", yaml_text(c.candidate));
    fields.emplace_back("verdict", yaml_text(standing_code(standing)));
    if (r.all) fields.emplace_back("score_20", decimal(c.score.out_of_20, 1, '.'));
    if (c.statement)
        fields.emplace_back("follows_statement", yaml_text(case_name(c.statement->origin, c.statement->number, r.seed) +
                                                           "\n" + finding_text(*c.statement, r, c)));
    return text + yaml_block(fields, "  ");
}

}  // namespace

std::string tap_report(const CheckReport &report) {
    std::string tap = "TAP version 14\n1.." + std::to_string(report.candidates.size()) + "\n# " +
                      description(cases_line(report)) + "\n";
    for (std::size_t k = 0; k < report.candidates.size(); ++k)
        tap += submission_point(report, report.candidates[k], k + 1);
    if (report.candidates.size() > 1) tap += "# " + description(class_summary(report)) + "\n";
    return tap;
}

}  // namespace exocheck
