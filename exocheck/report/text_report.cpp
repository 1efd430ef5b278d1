#include "report/text_report.h"

#include <algorithm>

#include "report/diff.h"
#include "report/ending.h"
#include "report/memory_report.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t LONGEST_INPUT_SHOWN = 500;       // characters of the escaped input
constexpr std::size_t LONGEST_COMMAND_SHOWN = 2000;    // characters of the command to reproduce
constexpr std::size_t LONGEST_GROUP_INPUT = 60;        // characters of a common mistake's input
constexpr std::size_t WIDTH = 80;                      // columns of the common mistakes

// The columns a UTF-8 text takes: one per character.
std::size_t columns_of(const std::string &text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

// "1 octet", "2 octets"; French counts 0 and 1 as singular.
std::string count(std::size_t n, const std::string &singular, const std::string &plural) {
    return std::to_string(n) + " " + (n <= 1 ? singular : plural);
}

std::string cases_text(const CheckReport &r, const CandidateReport &c);

}  // namespace

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

std::string summary_text(const CheckReport &r, const CandidateReport &c) {
    std::string line;
    switch (c.standing()) {
    case Standing::not_handed_in: line = "rien rendu (" + c.not_handed_in + ")"; break;
    case Standing::cannot_run: line = "non vérifié, impossible à lancer"; break;
    case Standing::does_not_compile: line = "ne compile pas"; break;
    default: line = cases_text(r, c) + memory_summary_part(c);
    }
    return r.all ? line + " ; " + score_text(c.score) : line;
}

std::string score_text(const Score &score) { return "note " + decimal(score.out_of_20, 1, ',') + "/20"; }

std::string tally_text(const OriginTally &t) {
    std::string text = std::to_string(t.run) + " cas, " +
                       (t.differ > 0 ? count(t.differ, "différence", "différences") : "aucune différence");
    if (t.follows_statement > 0)
        text += " ; " + count(t.follows_statement, "cas conforme", "cas conformes") + " à l'énoncé";
    return text;
}

std::string class_summary(const CheckReport &r) {
    std::string text = "Bilan : " + count(r.candidates.size(), "rendu", "rendus") + " ; ";
    const std::pair<Standing, std::pair<const char *, const char *>> kinds[] = {
        {Standing::agree, {"sans différence", "sans différence"}},
        {Standing::follows_statement, {"conforme à l'énoncé", "conformes à l'énoncé"}},
        {Standing::differ, {"différent", "différents"}},
        {Standing::memory_errors, {"avec une erreur de mémoire", "avec des erreurs de mémoire"}},
        {Standing::cannot_run, {"impossible à lancer", "impossibles à lancer"}},
        {Standing::does_not_compile, {"qui ne compile pas", "qui ne compilent pas"}},
        {Standing::not_handed_in, {"rien rendu", "rien rendu"}},
    };
    std::string parts;
    for (const auto &[standing, words] : kinds)
        if (const std::size_t n = r.count(standing); n > 0)
            parts += (parts.empty() ? "" : ", ") + count(n, words.first, words.second);
    return text + parts;
}

namespace {

// " (arrêt à la première)" as a check stopped at a first difference says it.
std::string stop_part(const CandidateReport &c) {
    return c.differences == 1 ? " (arrêt à la première)" : " (arrêt à la première qui ne tient pas à une condition)";
}

std::string cases_text(const CheckReport &r, const CandidateReport &c) {
    const bool stopped = c.differs() && !r.all && c.cases_run < r.cases();
    std::string line = std::to_string(c.cases_run) + (stopped ? " cas sur " + std::to_string(r.cases()) : " cas") +
                       ", " + (c.differs() ? count(c.differences, "différence", "différences") : "aucune différence");
    if (c.conditions_otherwise > 0 && !r.conditions_apart)
        line += " (" + std::to_string(c.conditions_otherwise) + " où une condition est écrite autrement)";
    if (stopped) line += stop_part(c);
    if (c.differs() && r.all) line += ", " + count(c.mistakes.size(), "erreur distincte", "erreurs distinctes");
    if (c.follows_statement > 0)
        line += " ; " + count(c.follows_statement, "cas conforme", "cas conformes") + " à l'énoncé";
    if (c.conditions_otherwise > 0 && r.conditions_apart)
        line += " ; " + std::to_string(c.conditions_otherwise) + " cas où une condition est écrite autrement, comptés à part";
    return line;
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
    const std::string candidate = !c.build                                          ? c.candidate
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

}  // namespace

std::string finding_text(const Finding &f, const CheckReport &r, const CandidateReport &candidate) {
    std::string text = input_line(f);
    text += stream_part("Sortie standard", f.expected.out, f.obtained.out, f.verdict.stdout_differs);
    text += stream_part("Sortie d'erreur", f.expected.err, f.obtained.err, f.verdict.stderr_differs);
    text += ending_part(f, r.timeout_ms);
    if (!f.cause.text.empty()) text += "Piste : " + f.cause.text + (f.cause.text.ends_with('?') ? "\n" : ".\n");
    if (!f.verdict.statement.empty()) text += "Conforme à l'énoncé : " + f.verdict.statement + "\n";
    return text + reproduce_part(f, candidate);
}

namespace {

// Its name, and its path when that says more.
std::string named(const CandidateReport &c) {
    return c.label() == c.candidate ? c.candidate : c.label() + " (" + c.candidate + ")";
}

std::string section(const CandidateReport &c, const std::string &heading, const Finding &f, const CheckReport &r) {
    std::string text = "\n";
    text.append(named(c)).append(", ").append(heading).append(" : ");
    return text.append(case_name(f.origin, f.number, r.seed)).append(".\n").append(finding_text(f, r, c));
}

// `words` in lines of at most WIDTH columns, each after `indent`.
std::string wrapped(const std::string &words, const std::string &indent) {
    std::string text, line = indent;
    std::size_t columns = indent.size(), at = 0;
    while (at < words.size()) {
        std::size_t end = words.find(' ', at);
        if (end == std::string::npos) end = words.size();
        const std::string word = words.substr(at, end - at);
        const std::size_t width = columns_of(word);
        if (columns > indent.size() && columns + 1 + width > WIDTH) {
            text += line + "\n";
            line = indent;
            columns = indent.size();
        }
        if (columns > indent.size()) {
            line += ' ';
            ++columns;
        }
        line += word;
        columns += width;
        at = end + 1;
    }
    return text + line + "\n";
}

std::string groups_part(const CheckReport &r) {
    std::string text = "\nErreurs communes, par cause et entrée minimale :\n";
    for (const MistakeGroup &g : r.groups) {
        std::string input = quoted_input(g.example.input);
        if (input.size() > LONGEST_GROUP_INPUT) {
            std::size_t cut = LONGEST_GROUP_INPUT;
            while (cut > 0 && (static_cast<unsigned char>(input[cut]) & 0xC0U) == 0x80U) --cut;
            input.resize(cut);
            input += "…";
        }
        text += wrapped("- " + count(g.members.size(), "rendu", "rendus") + ", entrée " + input +
                            (g.cause_code.empty() ? "" : " (" + g.cause_code + ")") + " :",
                        "");
        const std::string &cause = g.example.cause.text;
        text += wrapped(cause.empty() ? "pas de piste connue." : cause + (cause.ends_with('?') ? "" : "."), "  ");
        std::string names;
        for (std::size_t k = 0; k < g.members.size(); ++k)
            names += r.candidates[g.members[k]].label() + (k + 1 < g.members.size() ? ", " : ".");
        text += wrapped(names, "  ");
    }
    return text;
}

// "845 cas, le premier", "1 cas": the cases of a mistake, before the first's name.
std::string cases_heading(std::size_t cases) {
    return cases == 1 ? "1 cas" : std::to_string(cases) + " cas, le premier";
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
    if (!report.class_folder.empty())
        text += "Classe " + report.class_folder + " : " +
                count(report.candidates.size(), "élève, nommé", "élèves, chacun nommé") + " par son dossier.\n";
    for (const CandidateReport &c : report.candidates) text += c.label() + " : " + summary_text(report, c) + ".\n";
    if (report.candidates.size() > 1) {
        text += class_summary(report) + ".\n";
        if (!report.groups.empty()) text += groups_part(report);
    }
    for (const CandidateReport &c : report.candidates) text += details(report, c);
    return text;
}

}  // namespace exocheck
