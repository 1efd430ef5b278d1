// The CSV report: a row per submission, for a spreadsheet or a school's
// platform (formats.h).
#include "report/formats.h"

#include "report/markup.h"
#include "report/visible.h"

namespace exocheck {

namespace {

// A field as RFC 4180 writes it: between quotes, a quote doubled, when it
// holds the separator, a quote, a line end, or starts or ends with a space.
std::string field(const std::string &text, char separator) {
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos &&
        !text.starts_with(' ') && !text.ends_with(' '))
        return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// A text, never taken for a formula by a spreadsheet.
std::string text_field(std::string_view text, char separator) {
    std::string clean = clean_text(text);
    if (!clean.empty() && std::string_view("=+-@").find(clean[0]) != std::string_view::npos) clean = "'" + clean;
    return field(clean, separator);
}

std::string row(const std::vector<std::string> &fields, char separator) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? "" : std::string(1, separator)) + fields[i];
    return line + "\n";
}

}  // namespace

std::string csv_report(const CheckReport &report, char separator) {
    const char point = separator == ';' ? ',' : '.';
    const auto number = [](std::size_t n) { return std::to_string(n); };
    std::string csv = row({"name", "path", "verdict", "score_20", "score_100", "dialogues", "dialogues_differ",
                           "boundaries", "boundaries_differ", "generated", "generated_differ", "follows_statement",
                           "distinct_mistakes", "cause_codes", "first_minimal_input", "why"},
                          separator);
    for (const CandidateReport &c : report.candidates) {
        const std::vector<Mistake> mistakes = mistakes_of(c);
        std::string codes;
        for (const Mistake &m : mistakes)
            if (!m.cause_code.empty()) codes += (codes.empty() ? "" : " ") + m.cause_code;
        const bool scored = report.all;
        csv += row({text_field(c.label(), separator), text_field(c.candidate, separator),
                    standing_code(c.standing()),
                    scored ? field(decimal(c.score.out_of_20, 1, point), separator) : "",
                    scored ? field(decimal(c.score.out_of_100, 1, point), separator) : "",
                    number(c.dialogues.run), number(c.dialogues.differ), number(c.boundaries.run),
                    number(c.boundaries.differ), number(c.generated.run), number(c.generated.differ),
                    number(c.follows_statement), number(mistakes.size()), field(codes, separator),
                    mistakes.empty() ? "" : field(quoted_input(mistakes.front().example.input), separator),
                    text_field(c.score.given ? "" : c.score.why, separator)},
                   separator);
    }
    return csv;
}

}  // namespace exocheck
