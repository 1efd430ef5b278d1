// The results.json of the Gradescope autograder (formats.h).
#include "report/formats.h"

#include <numeric>

#include "report/json_text.h"
#include "report/markup.h"
#include "report/memory_report.h"
#include "report/text_report.h"

namespace exocheck {

namespace {

std::string points(double value) { return decimal(value, 2, '.'); }

// The test of one kind of case: its part of the score, and its mistakes.
std::string kind_test(const CheckReport &r, const CandidateReport &c, Case::Origin origin, double score, double most) {
    const OriginTally &t = tally_of(c, origin);
    std::string output = tally_text(t) + "\n";
    std::size_t k = 0;
    for (const Mistake &m : mistakes_of(c)) {
        ++k;
        if (cases_from(m, origin) == 0) continue;
        output += "\nErreur distincte n° " + std::to_string(k) + (m.cause_code.empty() ? "" : " (" + m.cause_code + ")") +
                  ", " + std::to_string(cases_from(m, origin)) + " cas ici : " +
                  case_name(m.example.origin, m.example.number, r.seed) + ".\n" +
                  finding_text(m.example, r, c);
    }
    if (c.statement && c.statement->origin == origin)
        output += "\nConforme à l'énoncé et non à la référence : " + case_name(origin, c.statement->number, r.seed) +
                  ".\n" + finding_text(*c.statement, r, c);
    return "    {\n      \"name\": " + json_text(origin_in_french(origin)) + ",\n      \"score\": " + points(score) +
           ",\n      \"max_score\": " + points(most) + ",\n      \"status\": " +
           json_text(t.differ > 0 ? "failed" : "passed") + ",\n      \"output\": " + json_text(clean_text(output)) +
           ",\n      \"output_format\": \"text\"\n    }";
}

// The memory check (--memoire), a test of no points, as the score counts
// none: failed when it found an error, its findings in its output.
std::string memory_test(const CheckReport &r, const CandidateReport &c) {
    return "    {\n      \"name\": \"mémoire\",\n      \"score\": 0,\n      \"max_score\": 0,\n      \"status\": " +
           json_text(c.memory->errors.empty() ? "passed" : "failed") + ",\n      \"output\": " +
           json_text(clean_text(memory_summary_part(c).substr(3) + "\n" + source_and_memory_details(r, c))) +
           ",\n      \"output_format\": \"text\"\n    }";
}

}  // namespace

std::string gradescope_report(const CheckReport &report) {
    if (report.candidates.empty()) return "{\n  \"score\": 0,\n  \"output\": \"aucun rendu\",\n  \"tests\": []\n}\n";
    const CandidateReport &c = report.candidates.front();
    const Score &s = c.score;
    const ScoreWeights &w = report.weights;
    // Each part scaled as the score is, so that the tests add up to it.
    const double most = std::accumulate(std::begin(ORIGINS), std::end(ORIGINS), 0.0, [&](double sum, Case::Origin o) {
        if (tally_of(c, o).run == 0) return sum;
        return sum + (o == Case::Origin::dialogue ? w.dialogues : o == Case::Origin::boundary ? w.boundaries : w.generated);
    });
    const double scale = most > 0 ? 100 / most : 0;
    std::vector<std::string> tests;
    if (s.given) {
        const std::pair<Case::Origin, std::pair<double, double>> parts[] = {
            {Case::Origin::dialogue, {s.dialogues, w.dialogues}},
            {Case::Origin::boundary, {s.boundaries, w.boundaries}},
            {Case::Origin::generated, {s.generated, w.generated}},
        };
        for (const auto &[origin, part] : parts)
            if (tally_of(c, origin).run > 0)
                tests.push_back(kind_test(report, c, origin, part.first * scale, part.second * scale));
    }
    if (c.memory) tests.push_back(memory_test(report, c));
    std::string json = "{\n  \"score\": " + points(s.given ? s.out_of_100 : 0) + ",\n  \"max_score\": 100,\n" +
                       "  \"execution_time\": " + decimal(report.seconds, 3, '.') + ",\n  \"output\": " +
                       json_text(clean_text(cases_line(report) + c.label() + " : " + summary_text(report, c) + ".\n" +
                                            (s.given ? "" : s.why + "\n") +
                                            (c.does_not_compile() ? source_and_memory_details(report, c) : ""))) +
                       ",\n  \"output_format\": \"text\",\n  \"extra_data\": {\"name\": " + json_text(c.label()) +
                       ", \"verdict\": " + json_text(standing_code(c.standing())) +
                       ", \"distinct_mistakes\": " + std::to_string(mistakes_of(c).size()) + "},\n  \"tests\": [";
    for (std::size_t k = 0; k < tests.size(); ++k) json += (k == 0 ? "\n" : ",\n") + tests[k];
    return json + (tests.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace exocheck
