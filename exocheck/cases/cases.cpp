#include "cases/cases.h"

#include <algorithm>
#include <stdexcept>

#include "cases/grammar.h"

namespace exocheck {

Cases::Cases(const ProgramData &program, std::uint64_t seed, std::size_t generated)
    : program_(&program), seed_(seed), generated_(generated),
      typical_first_(program.typical && std::ranges::find(program.dialogues, *program.typical) == program.dialogues.end() &&
                     std::ranges::find(program.boundary, *program.typical) == program.boundary.end()) {}

std::size_t Cases::size() const {
    return program_->dialogues.size() + (typical_first_ ? 1 : 0) + program_->boundary.size() + generated_;
}

Case Cases::at(std::size_t index) const {
    if (index < program_->dialogues.size())
        return {Case::Origin::dialogue, index + 1, program_->dialogues[index]};
    index -= program_->dialogues.size();
    if (typical_first_ && index == 0) return {Case::Origin::boundary, 1, *program_->typical};
    const std::size_t boundary = index - (typical_first_ ? 1 : 0);
    if (boundary < program_->boundary.size())
        return {Case::Origin::boundary, index + 1, program_->boundary[boundary]};
    index -= program_->boundary.size() + (typical_first_ ? 1 : 0);
    if (index >= generated_) throw std::out_of_range("Cases::at: no such case");
    return {Case::Origin::generated, index + 1, InputGenerator::generated_case(*program_, seed_, index + 1)};
}

}  // namespace exocheck
