// TEMPORARY STAND-IN, replaced at merge by the cases' own cases.h: the interface only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "programs.h"

struct Case {
    enum class Origin { dialogue, boundary, generated } origin;
    std::size_t number;
    std::string input;
};
class Cases {
public:
    Cases(const ProgramData &program, std::uint64_t seed, std::size_t generated);
    std::size_t size() const;
    Case at(std::size_t index) const;

private:
    const ProgramData &program_;
    std::uint64_t seed_;
    std::size_t generated_;
};
