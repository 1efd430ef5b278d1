#include "report/text_report.h"

#include "report/diff.h"
#include "report/ending.h"
#include "report/memory_report.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t LONGEST_INPUT_SHOWN = 500;       // characters of the escaped input
constexpr std::size_t LONGEST_COMMAND_SHOWN = 2000;    // characters of the command to reproduce

// "1 octet", "2 octets"; French counts 0 and 1 as singular.
std::string count(std::size_t n, const std::string &singular, const std::string &plural) {
    return std::to_string(n) + " " + (n <= 1 ? singular : plural);
}

std::string cases_line(const CheckReport &r) {
    std::vector<std::string> parts;
    if (r.dialogues > 0) parts.push_back(count(r.dialogues, "dialogue du manuel", "dialogues du manuel"));
    if (r.boundaries > 0) parts.push_back(count(r.boundaries, "cas limite", "cas limites"));
    if (r.generated > 0)
        parts.push_back(count(r.generated, "cas généré", "cas générés") + ", graine " + std::to_string(r.seed));
    std::string line = r.program + " : " + std::to_string(r.cases()) + " cas";
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i == 0 ? " (" : ", ") + parts[i];
    return line + (parts.empty() ? ".\n" : ").\n");
}

// " (arrêt à la première)" as a check stopped at a first difference says it.
std::string stop_part(const CandidateReport &c) {
    return c.differences == 1 ? " (arrêt à la première)" : " (arrêt à la première qui ne tient pas à une condition)";
}

std::string summary_line(const CheckReport &r, const CandidateReport &c) {
    std::string line = c.candidate + " : ";
    if (c.does_not_compile()) return line + "ne compile pas.\n";
    if (!c.cannot_run.empty()) return line + "non vérifié, impossible à lancer.\n";
    if (c.differs() && !r.all && c.cases_run < r.cases())
        line += std::to_string(c.cases_run) + " cas sur " + std::to_string(r.cases()) + ", " +
                count(c.differences, "différence", "différences") + stop_part(c);
    else
        line += std::to_string(c.cases_run) + " cas, " +
                (c.differs() ? count(c.differences, "différence", "différences") : "aucune différence");
    if (c.differs() && r.all)
        line += ", " + count(c.mistakes.size(), "erreur distincte", "erreurs distinctes");
    if (c.follows_statement > 0)
        line += " ; " + count(c.follows_statement, "cas conforme", "cas conformes") + " à l'énoncé";
    if (c.conditions_otherwise > 0)
        line += (r.conditions_apart ? " ; " : ", dont ") + std::to_string(c.conditions_otherwise) +
                " cas où une condition est écrite autrement" + (r.conditions_apart ? ", comptés à part" : "");
    return line + memory_summary_part(c) + ".\n";
}

std::string input_line(const Finding &f) {
    std::string shown = quoted_input(f.input);
    if (shown.size() > LONGEST_INPUT_SHOWN) {
        std::size_t cut = LONGEST_INPUT_SHOWN;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0U) == 0x80U) --cut;
        shown.resize(cut);
        shown += "…";
    }
    std::string how;
    if (f.input.size() < f.original_size)
        how = "réduite de " + count(f.original_size, "octet", "octets") + " à " + std::to_string(f.input.size());
    else
        how = count(f.input.size(), "octet", "octets") + ", non réduite";
    if (!f.shrink_finished) how += " ; réduction arrêtée par sa limite de temps";
    return "Entrée minimale (" + how + ") : " + shown + "\n";
}

std::string stream_part(const std::string &name, const std::string &expected, const std::string &obtained,
                        bool differs) {
    if (differs) return name + " (- attendue, + obtenue) :\n" + line_diff(expected, obtained);
    if (expected != obtained) return name + " : équivalente (la même assertion).\n";
    return name + (expected.empty() ? " : vide, comme attendu.\n" : " : identique.\n");
}

std::string ending_part(const Finding &f, int timeout_ms) {
    const std::string e = describe_ending(f.expected, timeout_ms), o = describe_ending(f.obtained, timeout_ms);
    if (!f.verdict.ending_differs) return "Fin : " + o + ", comme attendu.\n";
    return "Fin attendue : " + e + "\nFin obtenue  : " + o + "\n";
}

std::string reproduce_part(const Finding &f, const CandidateReport &c) {
    // A source runs as the program its build makes, in the source's folder.
    const std::string candidate = !c.build                                       ? c.candidate
                                  : c.build->program.find('/') != std::string::npos ? c.build->program
                                                                                  : "./" + c.build->program;
    const std::string command = reproduce_for(c, f.input);
    std::string text = command.size() <= LONGEST_COMMAND_SHOWN
                           ? "Pour reproduire : " + command + "\n"
                           : "Pour reproduire : l'entrée fait " + count(f.input.size(), "octet", "octets") +
                                 ", l'option --json la donne en entier.\n";
    if (f.at_terminal)
        text += "(Jugé à un terminal, comme une personne qui tape l'entrée puis Ctrl-D : "
                "lancez " + shell_word(candidate) + " et tapez-la.)\n";
    return text;
}

std::string finding_part(const Finding &f, const CheckReport &r, const CandidateReport &candidate) {
    std::string text = input_line(f);
    text += stream_part("Sortie standard", f.expected.out, f.obtained.out, f.verdict.stdout_differs);
    text += stream_part("Sortie d'erreur", f.expected.err, f.obtained.err, f.verdict.stderr_differs);
    text += ending_part(f, r.timeout_ms);
    if (!f.cause.text.empty()) text += "Piste : " + f.cause.text + (f.cause.text.ends_with('?') ? "\n" : ".\n");
    if (!f.verdict.statement.empty()) text += "Conforme à l'énoncé : " + f.verdict.statement + "\n";
    return text + reproduce_part(f, candidate);
}

std::string section(const CandidateReport &c, const std::string &heading, const Finding &f, const CheckReport &r) {
    return "\n" + c.candidate + ", " + heading + " : " + case_name(f.origin, f.number, r.seed) + ".\n" +
           finding_part(f, r, c);
}

// "845 cas dont le premier", "1 cas": the cases of a mistake, before the first's name.
std::string cases_heading(std::size_t cases) {
    return cases == 1 ? "1 cas" : std::to_string(cases) + " cas dont le premier";
}

bool same_finding(const Finding &a, const Finding &b) {
    return a.origin == b.origin && a.number == b.number && a.input == b.input && a.cause.code == b.cause.code;
}

std::string details(const CheckReport &r, const CandidateReport &c) {
    std::string text;
    if (r.all) {
        // Each distinct mistake, the most frequent first, on its own input.
        for (std::size_t i = 0; i < c.mistakes.size(); ++i)
            text += section(c,
                            "erreur " + std::to_string(i + 1) + " sur " + std::to_string(c.mistakes.size()) + ", " +
                                cases_heading(c.mistakes[i].cases),
                            c.mistakes[i].example, r);
    } else if (c.difference) {
        text += section(c, "première différence", *c.difference, r);
        // A condition written otherwise, a difference of its own kind that
        // does not stop the check, comes on its own.
        for (const Mistake &m : c.mistakes)
            if (!same_finding(m.example, *c.difference))
                text += section(c, "autre erreur, " + cases_heading(m.cases), m.example, r);
    }
    if (c.condition_apart)
        text += section(c, "condition écrite autrement, comptée à part, " + cases_heading(c.conditions_otherwise),
                        *c.condition_apart, r);
    if (c.statement) text += section(c, "conforme à l'énoncé et non à la référence", *c.statement, r);
    return text + source_and_memory_details(r, c);
}

}  // namespace

std::string text_report(const CheckReport &report) {
    std::string text = compiler_warnings_text(report) + cases_line(report);
    for (const CandidateReport &c : report.candidates) text += summary_line(report, c);
    for (const CandidateReport &c : report.candidates) text += details(report, c);
    return text;
}

}  // namespace exocheck
