// The HTML report: one page that holds everything, for a person reading a
// class's results in a browser (formats.h).
#include "report/formats.h"

#include "report/cause.h"
#include "report/markup.h"
#include "report/text_report.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr char STYLE[] = R"(
body { font-family: system-ui, sans-serif; margin: 2em auto; max-width: 72em; padding: 0 1em; color: #1f2328;
       background: #fff; line-height: 1.45; }
h1 { font-size: 1.6em; margin-bottom: .2em; }
h2 { font-size: 1.25em; margin-top: 2em; border-bottom: 1px solid #d0d7de; padding-bottom: .2em; }
h3 { font-size: 1.05em; margin: 1.2em 0 .4em; }
.muted { color: #59636e; }
table { border-collapse: collapse; width: 100%; margin: 1em 0; font-size: .95em; }
th, td { border-bottom: 1px solid #d0d7de; padding: .35em .6em; text-align: left; vertical-align: top; }
td:first-child { white-space: nowrap; }
th { background: #f6f8fa; position: sticky; top: 0; }
td.number { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
tr:hover td { background: #f6f8fa; }
.verdict { display: inline-block; border-radius: 1em; padding: .05em .7em; font-size: .9em; white-space: nowrap;
           border: 1px solid transparent; }
.agree { background: #dafbe1; color: #116329; border-color: #4ac26b; }
.follows_statement { background: #ddf4ff; color: #0a3069; border-color: #54aeff; }
.differ { background: #fff1e5; color: #953800; border-color: #fb8f44; }
.cannot_run { background: #ffebe9; color: #82071e; border-color: #ff8182; }
.not_handed_in { background: #eaeef2; color: #424a53; border-color: #afb8c1; }
.bar { display: inline-block; width: 5em; height: .6em; background: #eaeef2; border-radius: .3em;
       vertical-align: middle; margin-left: .4em; overflow: hidden; }
.bar span { display: block; height: 100%; background: #2da44e; }
code, pre { font-family: ui-monospace, "DejaVu Sans Mono", monospace; font-size: .9em; }
pre { background: #f6f8fa; border: 1px solid #d0d7de; border-radius: .4em; padding: .8em; overflow-x: auto;
      white-space: pre-wrap; word-break: break-all; }
pre .del { color: #82071e; background: #ffebe9; display: inline-block; min-width: 100%; }
pre .add { color: #116329; background: #dafbe1; display: inline-block; min-width: 100%; }
ul.groups { padding-left: 0; list-style: none; }
ul.groups li { border: 1px solid #d0d7de; border-radius: .4em; padding: .6em .9em; margin: .6em 0; }
.size { font-weight: 600; }
details summary { cursor: pointer; margin: .4em 0; }
a { color: #0969da; }
)";

std::string h(std::string_view text) { return xml_text(text); }

// Each line of a finding's text, the diff's removed and added lines marked.
std::string finding_block(const Finding &f, const CheckReport &r, const CandidateReport &candidate) {
    const std::string text = finding_text(f, r, candidate);
    std::string html = "<pre>";
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + at, end - at);
        const bool removed = line == "-" || line.starts_with("- "), added = line == "+" || line.starts_with("+ ");
        html += removed ? "<span class=\"del\">" + h(line) + "</span>"
                : added ? "<span class=\"add\">" + h(line) + "</span>"
                        : h(line);
        html += "\n";
        at = end + 1;
    }
    return html + "</pre>\n";
}

std::string anchor(std::size_t k) { return "rendu-" + std::to_string(k + 1); }

std::string verdict_badge(Standing s) {
    return "<span class=\"verdict " + standing_code(s) + "\">" + h(standing_in_french(s)) + "</span>";
}

std::string kind_cell(const OriginTally &t) {
    if (t.run == 0) return "<td class=\"number muted\">–</td>";
    return "<td class=\"number\">" + std::to_string(t.run - t.differ) + " / " + std::to_string(t.run) + "</td>";
}

std::string class_table(const CheckReport &r) {
    std::string html = "<table>\n<thead><tr><th>Rendu</th><th>Verdict</th>";
    if (r.all) html += "<th>Note /20</th><th>/100</th>";
    html += "<th>Dialogues du manuel</th><th>Cas limites</th><th>Cas générés</th><th>Erreurs distinctes</th>"
            "<th>Conformes à l'énoncé</th></tr></thead>\n<tbody>\n";
    for (std::size_t k = 0; k < r.candidates.size(); ++k) {
        const CandidateReport &c = r.candidates[k];
        const Standing s = c.standing();
        const std::vector<Mistake> mistakes = mistakes_of(c);
        html += "<tr><td><a href=\"#" + anchor(k) + "\">" + h(c.label()) + "</a></td><td>" + verdict_badge(s) + "</td>";
        if (r.all) {
            const std::string width = decimal(c.score.out_of_100, 1, '.');
            html += "<td class=\"number\">" + h(decimal(c.score.out_of_20, 1, ',')) +
                    "<span class=\"bar\"><span style=\"width: " + width + "%\"></span></span></td><td class=\"number\">" +
                    h(decimal(c.score.out_of_100, 1, ',')) + "</td>";
        }
        html += kind_cell(c.dialogues) + kind_cell(c.boundaries) + kind_cell(c.generated) + "<td class=\"number\">" +
                std::to_string(mistakes.size()) + "</td><td class=\"number\">" + std::to_string(c.follows_statement) +
                "</td></tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

std::string groups_section(const CheckReport &r) {
    std::string html = "<h2>Erreurs communes</h2>\n<p class=\"muted\">Par cause et entrée minimale, les plus "
                       "fréquentes d'abord.</p>\n<ul class=\"groups\">\n";
    for (const MistakeGroup &g : r.groups) {
        const Finding &f = g.example;
        const std::string &cause = f.cause.text;
        html += "<li><span class=\"size\">" + std::to_string(g.members.size()) +
                (g.members.size() > 1 ? " rendus" : " rendu") + "</span> · entrée <code>" + h(quoted_input(f.input)) +
                "</code>" + (g.cause_code.empty() ? "" : " · <code>" + h(g.cause_code) + "</code>") + "<br>" +
                h(cause.empty() ? "Pas de piste connue." : cause) + "<br><span class=\"muted\">";
        for (std::size_t k = 0; k < g.members.size(); ++k)
            html += std::string(k == 0 ? "" : ", ") + "<a href=\"#" + anchor(g.members[k]) + "\">" +
                    h(r.candidates[g.members[k]].label()) + "</a>";
        html += "</span></li>\n";
    }
    return html + "</ul>\n";
}

std::string submission_section(const CheckReport &r, const CandidateReport &c, std::size_t k) {
    std::string html = "<section id=\"" + anchor(k) + "\">\n<h2>" + h(c.label()) + " " + verdict_badge(c.standing()) +
                       "</h2>\n<p class=\"muted\"><code>" + h(c.candidate) + "</code></p>\n<p>" +
                       h(summary_text(r, c)) + ".</p>\n";
    if (!c.score.given && r.all && !c.score.why.empty()) html += "<p>" + h(c.score.why) + "</p>\n";
    const std::vector<Mistake> mistakes = mistakes_of(c);
    for (std::size_t m = 0; m < mistakes.size(); ++m) {
        const Mistake &mistake = mistakes[m];
        const std::string title = (m == 0 ? "Première différence" : "Erreur distincte n° " + std::to_string(m + 1)) +
                                  " : " + case_name(mistake.example.origin, mistake.example.number, r.seed) + ", " +
                                  std::to_string(mistake.cases) + " cas" +
                                  (mistake.cause_code.empty() ? "" : " (" + mistake.cause_code + ")");
        html += std::string(m == 0 ? "<details open>" : "<details>") + "<summary>" + h(title) + "</summary>\n" +
                finding_block(mistake.example, r, c) + "</details>\n";
    }
    if (c.statement)
        html += "<details><summary>" +
                h("Conforme à l'énoncé et non à la référence : " +
                  case_name(c.statement->origin, c.statement->number, r.seed)) +
                "</summary>\n" + finding_block(*c.statement, r, c) + "</details>\n";
    return html + "</section>\n";
}

}  // namespace

std::string html_report(const CheckReport &report) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>" + h("exocheck : " + report.program) + "</title>\n<style>" + STYLE +
                       "</style>\n</head>\n<body>\n<h1>" + h("exocheck : " + report.program) + "</h1>\n<p class=\"muted\">" +
                       h(cases_line(report)) + "</p>\n";
    if (!report.class_folder.empty())
        html += "<p>" + h("Classe " + report.class_folder + ", chaque élève nommé par son dossier.") + "</p>\n";
    if (report.candidates.size() > 1) html += "<p>" + h(class_summary(report)) + ".</p>\n";
    html += class_table(report);
    if (!report.groups.empty()) html += groups_section(report);
    for (std::size_t k = 0; k < report.candidates.size(); ++k)
        html += submission_section(report, report.candidates[k], k);
    return html + "</body>\n</html>\n";
}

}  // namespace exocheck
