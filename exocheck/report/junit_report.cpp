// The JUnit XML report, as the test pages of CI services read it
// (formats.h).
#include "report/formats.h"

#include "report/cause.h"
#include "report/markup.h"
#include "report/memory_report.h"
#include "report/text_report.h"

namespace exocheck {

namespace {

std::string seconds(double s) { return decimal(s, 3, '.'); }

std::string attribute(const std::string &name, const std::string &value) {
    return " " + name + "=\"" + xml_attribute(value) + "\"";
}

// The mistakes found among one kind of case, each with its details.
std::string mistakes_text(const CheckReport &r, const CandidateReport &c, Case::Origin origin, std::string &first_cause,
                          std::string &first_code) {
    std::string text;
    std::size_t number = 0;
    for (const Mistake &m : mistakes_of(c)) {
        ++number;
        const std::size_t cases = cases_from(m, origin);
        if (cases == 0) continue;
        if (first_cause.empty()) {
            first_cause = m.example.cause.text;
            if (first_cause.empty()) first_cause = "différence sans piste connue";
            first_code = m.cause_code.empty() ? "difference" : m.cause_code;
        }
        text += "Erreur distincte n° " + std::to_string(number) + (m.cause_code.empty() ? "" : " (" + m.cause_code + ")") +
                ", " + std::to_string(cases) + " cas ici : " +
                case_name(m.example.origin, m.example.number, r.seed) + ".\n" +
                finding_text(m.example, r, c) + "\n";
    }
    return text;
}

std::string testcase(const CheckReport &r, const CandidateReport &c, Case::Origin origin) {
    const OriginTally &t = tally_of(c, origin);
    std::string xml = "    <testcase" + attribute("name", origin_in_french(origin)) +
                      attribute("classname", r.program + "." + c.label()) + attribute("time", seconds(t.seconds)) +
                      ">\n";
    if (t.differ > 0) {
        std::string cause, code;
        const std::string text = mistakes_text(r, c, origin, cause, code);
        xml += "      <failure" + attribute("message", cause.empty() ? tally_text(t) : cause) +
               attribute("type", code.empty() ? "difference" : code) + ">" + xml_text(text) + "</failure>\n";
    }
    std::string out = tally_text(t) + "\n";
    if (c.statement && c.statement->origin == origin)
        out += "\nConforme à l'énoncé et non à la référence : " + case_name(origin, c.statement->number, r.seed) +
               ".\n" + finding_text(*c.statement, r, c);
    return xml + "      <system-out>" + xml_text(out) + "</system-out>\n    </testcase>\n";
}

// The memory check (--memoire): a failure when it found an error, its
// errors and warnings explained in its output.
std::string memory_testcase(const CheckReport &r, const CandidateReport &c) {
    std::string xml = "    <testcase" + attribute("name", "mémoire") + attribute("classname", r.program + "." + c.label()) +
                      attribute("time", "0") + ">\n";
    const std::string details = source_and_memory_details(r, c);
    if (!c.memory->errors.empty())
        xml += "      <failure" + attribute("message", memory_summary_part(c)) + attribute("type", "memory_errors") + ">" +
               xml_text(details) + "</failure>\n";
    else if (!details.empty())
        xml += "      <system-out>" + xml_text(details) + "</system-out>\n";
    return xml + "    </testcase>\n";
}

struct Counts {
    std::size_t tests = 0, failures = 0, errors = 0;
};

// The one testcase of a submission that did not run (not handed in,
// cannot run, does not compile); `own` counts it.
std::string unrun_testcase(const CheckReport &r, const CandidateReport &c, Standing standing, Counts &own) {
    const bool missing = standing == Standing::not_handed_in;
    const std::string why = missing                                    ? "rien rendu : " + c.not_handed_in
                            : standing == Standing::does_not_compile ? "ne compile pas :\n" + c.build->messages
                                                                       : c.cannot_run;
    own.tests = 1;
    (missing ? own.failures : own.errors) = 1;
    return "    <testcase" + attribute("name", "rendu") + attribute("classname", r.program + "." + c.label()) +
           attribute("time", "0") + ">\n      <" + (missing ? "failure" : "error") + attribute("message", why) +
           attribute("type", standing_code(standing)) + ">" + xml_text(why) + "</" + (missing ? "failure" : "error") +
           ">\n    </testcase>\n";
}

// The testcases of a submission that ran: each kind of case, and its memory
// check; `own` counts them, `time` gets their time added.
std::string run_testcases(const CheckReport &r, const CandidateReport &c, Counts &own, double &time) {
    std::string cases;
    for (const Case::Origin origin : ORIGINS) {
        if (tally_of(c, origin).run == 0 && origin != Case::Origin::generated) continue;
        cases += testcase(r, c, origin);
        ++own.tests;
        own.failures += tally_of(c, origin).differ > 0 ? 1U : 0U;
        time += tally_of(c, origin).seconds;
    }
    if (c.memory) {
        cases += memory_testcase(r, c);
        ++own.tests;
        own.failures += c.memory->errors.empty() ? 0U : 1U;
    }
    return cases;
}

// A submission's testsuite; `counts` gets its tests added.
std::string testsuite(const CheckReport &r, const CandidateReport &c, Counts &counts) {
    const Standing standing = c.standing();
    Counts own;
    double time = 0;
    const std::string cases = standing == Standing::not_handed_in || standing == Standing::cannot_run ||
                                      standing == Standing::does_not_compile
                                  ? unrun_testcase(r, c, standing, own)
                                  : run_testcases(r, c, own, time);
    const auto [tests, failures, errors] = own;
    std::string xml = "  <testsuite" + attribute("name", c.label()) + attribute("tests", std::to_string(tests)) +
                      attribute("failures", std::to_string(failures)) + attribute("errors", std::to_string(errors)) +
                      attribute("skipped", "0") + attribute("time", seconds(time)) + ">\n    <properties>\n";
    xml += "      <property" + attribute("name", "path") + attribute("value", c.candidate) + "/>\n";
    xml += "      <property" + attribute("name", "verdict") + attribute("value", standing_code(standing)) + "/>\n";
    if (r.all) {
        xml += "      <property" + attribute("name", "score_20") + attribute("value", decimal(c.score.out_of_20, 1, '.')) +
               "/>\n";
        xml += "      <property" + attribute("name", "score_100") +
               attribute("value", decimal(c.score.out_of_100, 1, '.')) + "/>\n";
    }
    xml += "    </properties>\n" + cases;
    counts.tests += tests;
    counts.failures += failures;
    counts.errors += errors;
    return xml + "    <system-out>" + xml_text(c.label() + " : " + summary_text(r, c) + ".\n") +
           "</system-out>\n  </testsuite>\n";
}

}  // namespace

std::string junit_report(const CheckReport &report) {
    std::string suites;
    Counts all;
    for (const CandidateReport &c : report.candidates) suites += testsuite(report, c, all);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + attribute("name", "exocheck " + report.program) +
           attribute("tests", std::to_string(all.tests)) + attribute("failures", std::to_string(all.failures)) +
           attribute("errors", std::to_string(all.errors)) + attribute("time", seconds(report.seconds)) + ">\n" + suites +
           "</testsuites>\n";
}

}  // namespace exocheck
