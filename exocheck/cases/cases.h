// The inputs a check runs, in order: the dialogues of the program's manual
// page and README (what the user has seen it answer; ours only), its
// boundary cases (its exercise file; its typical input first when it is
// neither a dialogue nor a boundary case), then inputs generated from its
// grammar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cases/programs.h"

namespace exocheck {

struct Case {
    enum class Origin { dialogue, boundary, generated } origin;
    std::size_t number;  // 1-based within its origin
    std::string input;
};

// Cases are made on demand, one at a time: the memory is the same for a
// thousand cases as for a hundred thousand.
class Cases {
public:
    Cases(const ProgramData &program, std::uint64_t seed, std::size_t generated);
    std::size_t size() const;
    // 0 <= index < size(): the dialogues, then the boundary cases, then the
    // generated ones. The same case for the same program, seed and index.
    Case at(std::size_t index) const;

private:
    const ProgramData *program_;
    std::uint64_t seed_;
    std::size_t generated_;
    bool typical_first_;  // the typical input runs as the first boundary case
};

}  // namespace exocheck
