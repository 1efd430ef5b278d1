#include "cases/cases.h"

#include <stdexcept>

#include "cases/grammar.h"

namespace exocheck {

Cases::Cases(const ProgramData &program, std::uint64_t seed, std::size_t generated)
    : program_(&program), seed_(seed), generated_(generated) {}

std::size_t Cases::size() const {
    return program_->dialogues.size() + program_->boundary.size() + generated_;
}

Case Cases::at(std::size_t index) const {
    if (index < program_->dialogues.size())
        return {Case::Origin::dialogue, index + 1, std::string(program_->dialogues[index])};
    index -= program_->dialogues.size();
    if (index < program_->boundary.size())
        return {Case::Origin::boundary, index + 1, std::string(program_->boundary[index])};
    index -= program_->boundary.size();
    if (index >= generated_) throw std::out_of_range("Cases::at: no such case");
    return {Case::Origin::generated, index + 1, InputGenerator::generated_case(*program_, seed_, index + 1)};
}

}  // namespace exocheck
