#include "report/report.h"

#include "report/visible.h"

namespace exocheck {

int exit_status(const CheckReport &report) {
    int status = 0;
    for (const CandidateReport &c : report.candidates) {
        if (!c.cannot_run.empty() || c.does_not_compile()) return 2;
        if (c.differs() || c.has_memory_errors()) status = 1;
    }
    return status;
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
