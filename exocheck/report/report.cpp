#include "report/report.h"

#include <algorithm>
#include <cstdio>

#include "report/visible.h"

namespace exocheck {

Standing CandidateReport::standing() const {
    if (!not_handed_in.empty()) return Standing::not_handed_in;
    if (does_not_compile()) return Standing::does_not_compile;
    if (!cannot_run.empty()) return Standing::cannot_run;
    if (differs()) return Standing::differ;
    if (has_memory_errors()) return Standing::memory_errors;
    return follows_statement > 0 ? Standing::follows_statement : Standing::agree;
}

std::size_t CheckReport::count(Standing standing) const {
    return static_cast<std::size_t>(std::count_if(candidates.begin(), candidates.end(),
                                                   [&](const CandidateReport &c) { return c.standing() == standing; }));
}

int exit_status(const CheckReport &report) {
    int status = 0;
    for (const CandidateReport &c : report.candidates) {
        const Standing s = c.standing();
        if (s == Standing::does_not_compile) return 2;
        if (s != Standing::agree && s != Standing::follows_statement) status = 1;
    }
    return status;
}

std::vector<Mistake> mistakes_of(const CandidateReport &candidate) {
    if (!candidate.mistakes.empty() || !candidate.difference) return candidate.mistakes;
    Mistake first;
    first.cases = candidate.differences;
    first.dialogues = candidate.dialogues.differ;
    first.boundaries = candidate.boundaries.differ;
    first.example = *candidate.difference;
    return {first};
}

std::size_t cases_from(const Mistake &mistake, Case::Origin origin) {
    switch (origin) {
    case Case::Origin::dialogue: return mistake.dialogues;
    case Case::Origin::boundary: return mistake.boundaries;
    case Case::Origin::generated: break;
    }
    return mistake.cases - std::min(mistake.cases, mistake.dialogues + mistake.boundaries);
}

const OriginTally &tally_of(const CandidateReport &candidate, Case::Origin origin) {
    switch (origin) {
    case Case::Origin::dialogue: return candidate.dialogues;
    case Case::Origin::boundary: return candidate.boundaries;
    case Case::Origin::generated: break;
    }
    return candidate.generated;
}

std::string origin_in_french(Case::Origin origin) {
    switch (origin) {
    case Case::Origin::dialogue: return "dialogues du manuel";
    case Case::Origin::boundary: return "cas limites";
    case Case::Origin::generated: break;
    }
    return "cas générés";
}

std::string standing_code(Standing standing) {
    switch (standing) {
    case Standing::agree: return "agree";
    case Standing::follows_statement: return "follows_statement";
    case Standing::differ: return "differ";
    case Standing::memory_errors: return "memory_errors";
    case Standing::cannot_run: return "cannot_run";
    case Standing::does_not_compile: return "does_not_compile";
    case Standing::not_handed_in: break;
    }
    return "not_handed_in";
}

std::string standing_in_french(Standing standing) {
    switch (standing) {
    case Standing::agree: return "aucune différence";
    case Standing::follows_statement: return "conforme à l'énoncé";
    case Standing::differ: return "différent";
    case Standing::memory_errors: return "erreur de mémoire";
    case Standing::cannot_run: return "impossible à lancer";
    case Standing::does_not_compile: return "ne compile pas";
    case Standing::not_handed_in: break;
    }
    return "rien rendu";
}

std::string decimal(double value, int decimals, char point) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (const std::size_t dot = text.find('.'); dot != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
        else text[dot] = point;
    }
    return text == "-0" ? "0" : text;
}

std::string reproduce_for(const CandidateReport &candidate, std::string_view input) {
    if (!candidate.build) return reproduce_command(input, candidate.candidate);
    return candidate.build->command + " && " + reproduce_command(input, candidate.build->program);
}

std::string case_name(Case::Origin origin, std::size_t number, std::uint64_t seed) {
    const std::string n = " n° " + std::to_string(number);
    switch (origin) {
    case Case::Origin::dialogue: return "dialogue du manuel" + n;
    case Case::Origin::boundary: return "cas limite" + n;
    case Case::Origin::generated: break;
    }
    return "cas généré" + n + ", graine " + std::to_string(seed);
}

}  // namespace exocheck
