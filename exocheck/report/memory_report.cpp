#include "report/memory_report.h"

#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t LONGEST_INPUT_SHOWN = 500;     // characters of the escaped input
constexpr std::size_t LONGEST_LINE_SHOWN = 200;      // characters of a source line or a warning
constexpr std::size_t MESSAGE_LINES_SHOWN = 30;      // lines of the compiler's messages

std::string counted(std::size_t n, const std::string &singular, const std::string &plural) {
    return std::to_string(n) + " " + (n <= 1 ? singular : plural);
}

// `text` cut at `most` bytes, on a character's start, with "…" when cut.
std::string shortened(std::string text, std::size_t most) {
    if (text.size() <= most) return text;
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
    text.resize(cut);
    return text + "…";
}

// The error's place; its names, read from the candidate's standard error,
// escaped as its output is.
std::string where(const MemoryError &e) {
    std::string text;
    if (e.line > 0) text = "ligne " + std::to_string(e.line) + " de " + visible_line(e.file, false);
    if (!e.function.empty()) text += (text.empty() ? "dans " : ", dans ") + visible_line(e.function, false);
    return text.empty() ? "lieu inconnu (sans information de débogage)" : text;
}

std::string input_line(const MemoryFinding &f) {
    std::string how = f.input.size() < f.original_size
                          ? "réduite de " + counted(f.original_size, "octet", "octets") + " à " + std::to_string(f.input.size())
                          : counted(f.input.size(), "octet", "octets") + ", non réduite";
    if (!f.shrink_finished) how += " ; réduction arrêtée par sa limite de temps";
    return "Entrée minimale (" + how + ") : " + shortened(quoted_input(f.input), LONGEST_INPUT_SHOWN) + "\n";
}

std::string finding_section(const CheckReport &r, const CandidateReport &c, const MemoryFinding &f,
                            const std::string &heading) {
    std::string text = "\n" + c.label() + ", " + heading + " : " + std::string(kind_in_french(f.error.kind)) + ", " +
                       where(f.error) + ".\n";
    text += (f.cases == 1 ? "1 cas : " : std::to_string(f.cases) + " cas, le premier : ") +
            case_name(f.origin, f.number, r.seed) + ".\n";
    if (!f.source_line.empty()) text += "Ligne " + std::to_string(f.error.line) + " : " + shortened(f.source_line, LONGEST_LINE_SHOWN) + "\n";
    text += input_line(f);
    if (f.output_agrees) text += "La sortie y est pourtant celle de la référence : seul le vérificateur de mémoire le voit.\n";
    if (!f.error.what.empty())
        text += "Message du vérificateur : " + visible_line(shortened(f.error.what, LONGEST_LINE_SHOWN), false) + "\n";
    return text + "Pour reproduire : " + f.reproduce + "\n";
}

// The compiler's messages, at most MESSAGE_LINES_SHOWN lines.
std::string messages_shown(const std::string &messages) {
    std::string shown;
    std::size_t lines = 0, at = 0;
    while (at < messages.size() && lines < MESSAGE_LINES_SHOWN) {
        const std::size_t end = messages.find('\n', at);
        const std::size_t next = end == std::string::npos ? messages.size() : end + 1;
        shown += shortened(messages.substr(at, next - at - (end == std::string::npos ? 0 : 1)), LONGEST_LINE_SHOWN) + "\n";
        at = next;
        ++lines;
    }
    if (at < messages.size()) shown += "(la suite des messages est coupée)\n";
    return shown;
}

}  // namespace

std::string compiler_warnings_text(const CheckReport &report) {
    std::string text;
    for (const CandidateReport &c : report.candidates) {
        if (!c.build || !c.build->compiled || c.build->warnings == 0) continue;
        text += c.label() + " : " + counted(c.build->warnings, "avertissement", "avertissements") + " du compilateur" +
                (c.build->first_warnings.size() < c.build->warnings ? ", les premiers :\n" : " :\n");
        for (const std::string &w : c.build->first_warnings) text += "  " + shortened(w, LONGEST_LINE_SHOWN) + "\n";
    }
    return text;
}

std::string memory_summary_part(const CandidateReport &c) {
    if (!c.memory) return "";
    const MemoryCheck &m = *c.memory;
    std::string part = " ; mémoire : " + (m.errors.empty() ? std::string("aucune erreur")
                                                           : counted(m.errors.size(), "erreur", "erreurs"));
    if (!m.warnings.empty()) part += ", " + counted(m.warnings.size(), "avertissement", "avertissements");
    part += " (" + counted(m.runs, "exécution", "exécutions") + " sous " + m.checkers;
    return part + (m.stopped.empty() ? ")" : ", arrêtée avant la fin)");
}

std::string source_and_memory_details(const CheckReport &report, const CandidateReport &c) {
    std::string text;
    if (c.does_not_compile())
        text += "\n" + c.label() + ", ne compile pas ("+ c.build->command + ") :\n" + messages_shown(c.build->messages);
    if (!c.memory) return text;
    const MemoryCheck &m = *c.memory;
    if (!m.stopped.empty()) text += "\n" + c.label() + ", vérification de la mémoire arrêtée : " + m.stopped + "\n";
    for (std::size_t i = 0; i < m.errors.size(); ++i)
        text += finding_section(report, c, m.errors[i],
                                "erreur de mémoire " + std::to_string(i + 1) + " sur " + std::to_string(m.errors.size()));
    for (const MemoryFinding &w : m.warnings) text += finding_section(report, c, w, "avertissement");
    return text;
}

}  // namespace exocheck
