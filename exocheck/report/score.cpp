#include "report/score.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>

namespace exocheck {

namespace {

constexpr double MISTAKES_FOR_NOTHING = 3;  // distinct generated mistakes that take the whole part
constexpr double MOST_POINTS = 100, MOST_CAUSE_WEIGHT = 10;

double weight_of(const ScoreWeights &weights, const std::string &cause_code) {
    const auto found = weights.causes.find(cause_code);
    return found == weights.causes.end() ? 1.0 : found->second;
}

// The share of `tally`'s cases that agree: each differing case counts at
// its mistake's weight, at most 1; one no mistake explains counts 1. A case
// that shows two mistakes counts for both, never for more than its kind's
// differing cases all together.
double share_agreeing(const OriginTally &tally, const std::vector<Mistake> &mistakes, const ScoreWeights &weights,
                      std::size_t Mistake::*cases_of_kind) {
    double failed = 0;
    std::size_t explained = 0;
    for (const Mistake &m : mistakes) {
        failed += std::min(1.0, weight_of(weights, m.cause_code)) * static_cast<double>(m.*cases_of_kind);
        explained += m.*cases_of_kind;
    }
    if (tally.differ > explained) failed += static_cast<double>(tally.differ - explained);
    failed = std::min(failed, static_cast<double>(tally.differ));
    return std::max(0.0, 1.0 - failed / static_cast<double>(tally.run));
}

double generated_share(const OriginTally &tally, const std::vector<Mistake> &mistakes, const ScoreWeights &weights) {
    double found = 0;
    std::size_t explained = 0;
    for (const Mistake &m : mistakes) {
        const std::size_t generated = m.cases - std::min(m.cases, m.dialogues + m.boundaries);
        if (generated > 0) found += weight_of(weights, m.cause_code);
        explained += generated;
    }
    if (tally.differ > explained) found += 1;
    return std::max(0.0, 1.0 - found / MISTAKES_FOR_NOTHING);
}

Score score_of(const CheckReport &report, const CandidateReport &c) {
    Score s;
    switch (c.standing()) {
    case Standing::not_handed_in: s.why = "rien rendu : " + c.not_handed_in; return s;
    case Standing::cannot_run: s.why = c.cannot_run; return s;
    case Standing::does_not_compile: s.why = "ne compile pas"; return s;
    default: break;
    }
    if (!report.all && c.cases_run < report.cases()) {
        s.why = "non noté : la vérification s'est arrêtée à la première différence (--all les vérifie tous)";
        return s;
    }
    const ScoreWeights &w = report.weights;
    const std::vector<Mistake> mistakes = mistakes_of(c);
    double points = 0, most = 0;
    if (c.dialogues.run > 0) {
        s.dialogues = w.dialogues * share_agreeing(c.dialogues, mistakes, w, &Mistake::dialogues);
        points += s.dialogues;
        most += w.dialogues;
    }
    if (c.boundaries.run > 0) {
        s.boundaries = w.boundaries * share_agreeing(c.boundaries, mistakes, w, &Mistake::boundaries);
        points += s.boundaries;
        most += w.boundaries;
    }
    if (c.generated.run > 0) {
        s.generated = w.generated * generated_share(c.generated, mistakes, w);
        points += s.generated;
        most += w.generated;
    }
    s.given = true;
    s.out_of_100 = most > 0 ? std::round(200 * points / most) / 2 : MOST_POINTS;
    s.out_of_20 = s.out_of_100 / 5;
    return s;
}

std::optional<double> weight_value(std::string_view text, double most) {
    std::string digits(text);
    std::replace(digits.begin(), digits.end(), ',', '.');
    const std::size_t point = digits.find('.');
    if (digits.empty() || digits.find_first_not_of("0123456789.") != std::string::npos ||
        (point != std::string::npos && (digits.size() - point - 1 > 3 || digits.size() - point - 1 == 0 ||
                                        digits.find('.', point + 1) != std::string::npos)))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > most) return std::nullopt;
    return value;
}

bool is_cause_code(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

}  // namespace

void grade(CheckReport &report) {
    for (CandidateReport &c : report.candidates) c.score = score_of(report, c);
}

std::string set_weight(ScoreWeights &weights, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) return "« " + std::string(assignment) + " » n'est pas de la forme NOM=POIDS";
    const std::string name(assignment.substr(0, equals));
    const std::string_view value = assignment.substr(equals + 1);
    double *kind = name == "dialogues" ? &weights.dialogues
                   : name == "boundaries" ? &weights.boundaries
                   : name == "generated"  ? &weights.generated
                                          : nullptr;
    if (kind == nullptr && !is_cause_code(name))
        return "« " + name + " » n'est ni dialogues, ni boundaries, ni generated, ni un code de cause";
    const std::optional<double> v = weight_value(value, kind != nullptr ? MOST_POINTS : MOST_CAUSE_WEIGHT);
    if (!v)
        return "poids incorrect pour « " + name + " » : « " + std::string(value) + " » ; attendu : " +
               (kind != nullptr ? "des points de 0 à 100" : "un poids de 0 à 10") +
               ", avec au plus trois décimales";
    if (kind != nullptr) *kind = *v;
    else weights.causes[name] = *v;
    return "";
}

std::string read_weights(ScoreWeights &weights, const std::string &path) {
    std::ifstream file(path);
    if (!file) return "impossible de lire le fichier de poids « " + path + " »";
    std::string line;
    for (std::size_t number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string compact;
        for (char c : line)
            if (c != ' ' && c != '\t') compact += c;
        if (compact.empty() || compact.starts_with('#')) continue;
        if (std::string wrong = set_weight(weights, compact); !wrong.empty())
            return std::string(path).append(", ligne ").append(std::to_string(number)).append(" : ").append(wrong);
    }
    if (file.bad()) return "erreur de lecture du fichier de poids « " + path + " »";
    return "";
}

}  // namespace exocheck
