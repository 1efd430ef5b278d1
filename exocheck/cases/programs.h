// What an exercise's program reads, from its exercise file (exercise.h):
// a teacher's own, read at run time, or one of the fifteen programs of
// petits-calculs, whose .inputs files the build embeds with the inputs of
// their pages' examples (add_program in cmake/PetitsCalculs.cmake) and the
// same reader reads at start.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace exocheck {

struct ProgramData {
    std::string name;    // "tickup"; a teacher's exercise: its file's name less its extension
    std::string folder;  // one of ours: "clock", its source and build folder; else empty
    std::optional<std::string> typical;  // an input it succeeds on
    std::vector<std::string> shapes;     // hostile shapes of its input (grammar.h)
    std::vector<std::string> forms;      // well-formed shapes of its input (grammar.h)
    std::vector<std::string> boundary;   // the inputs at the edges of what it reads
    std::string read_error;              // its own read-error message, or empty
    bool read_error_on_stdout = false;   // written on standard output, not standard error
    // Ours only: the inputs of the examples of its manual page and of the
    // README, in their order, each once: what the user has seen it answer.
    std::vector<std::string> dialogues;
    std::string help, exit_status;  // what its --help says it does, and of its exit statuses
    // The exercise's own options, which the command line overrides.
    std::optional<std::size_t> cases;  // generated cases
    std::optional<int> timeout_ms;     // the time limit of each run
};

// The fifteen programs of petits-calculs, read at the first call.
std::span<const ProgramData> all_programs();

// The program of that name, or nullptr.
const ProgramData *find_program(std::string_view name);

// Whether `program` is one of the fifteen of all_programs() itself, not an
// exercise read from a file, even one of their own files: what exocheck
// knows of the fifteen beyond their data (their statements' mends) is for
// them alone.
bool is_one_of_ours(const ProgramData &program);

}  // namespace exocheck
