#include "cases/programs.h"

#include <algorithm>

namespace exocheck {

const ProgramData *find_program(std::string_view name) {
    const auto programs = all_programs();
    const auto found = std::ranges::find(programs, name, &ProgramData::name);
    return found == programs.end() ? nullptr : &*found;
}

}  // namespace exocheck
