#include "cases/programs.h"

#include <algorithm>

#include "cases/exercise.h"
#include "cases/program_table.h"

namespace exocheck {

namespace {

// A mistake in one of our own files is a defect of the build, which the
// tests catch: it ends exocheck with the reader's message.
std::vector<ProgramData> read_embedded() {
    std::vector<ProgramData> programs;
    for (const EmbeddedProgram &embedded : embedded_programs()) {
        ProgramData program = read_exercise(embedded.inputs, embedded.file);
        program.name = embedded.name;
        program.folder = embedded.folder;
        program.dialogues.assign(embedded.dialogues.begin(), embedded.dialogues.end());
        programs.push_back(std::move(program));
    }
    return programs;
}

}  // namespace

std::span<const ProgramData> all_programs() {
    static const std::vector<ProgramData> programs = read_embedded();
    return programs;
}

const ProgramData *find_program(std::string_view name) {
    const auto programs = all_programs();
    const auto found = std::ranges::find(programs, name, &ProgramData::name);
    return found == programs.end() ? nullptr : &*found;
}

bool is_one_of_ours(const ProgramData &program) {
    return std::ranges::any_of(all_programs(), [&program](const ProgramData &ours) { return &ours == &program; });
}

}  // namespace exocheck
