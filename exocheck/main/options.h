// exocheck's command line:
//   exocheck [OPTION]... PROGRAMME CANDIDAT...
//   exocheck [OPTION]... --exercice FICHIER --reference CORRIGE CANDIDAT...
// (a teacher's exercise, its file read here: a mistake in it is refused
// like a wrong option, with the reader's message);
//   exocheck [OPTION]... --class DOSSIER PROGRAMME
// (a class: no candidate, and with --exercice no PROGRAMME either).
// Options may come anywhere, as --name VALUE or --name=VALUE, their names
// written whole; "--" ends them. Parsed by getopt_long, from a table of the
// options (options.cpp) that also writes their lines in --help.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cases/programs.h"
#include "report/formats.h"
#include "report/report.h"

namespace exocheck {

struct Options {
    const ProgramData *program = nullptr;  // one of ours, or *exercise
    std::shared_ptr<const ProgramData> exercise;  // read from the file given with --exercice
    std::string exercise_file, reference;         // as given with --exercice and --reference
    std::vector<std::string> candidates;
    // Given on the command line; else the exercise's own, else 1000 cases
    // and 2 seconds.
    std::optional<std::size_t> cases;  // generated cases
    std::uint64_t seed = 1;
    bool all = false;
    bool conditions_apart = false;  // --conditions-libres
    int jobs = 0;              // 0: one per processor
    std::optional<int> timeout_ms;
    Format format = Format::text;  // --json is --format json
    char csv_separator = ',';
    ScoreWeights weights;          // --weight
    std::string weights_file;      // --weights, read before the check
    std::string class_folder;      // --class: the learners' folders
    std::string file;              // --file: the submission's name in each folder; the program's by default
    std::string learners_file;     // --learners: the learners' names, one a line
    bool sandbox = true;
    bool memory = false;  // --memoire: also run each candidate under a memory checker
};

struct CommandLine {
    enum class Action { check, help, version, refuse } action = Action::check;
    Options options;
    std::string message;  // for refuse: what is wrong, the lines to write on standard error
};

CommandLine parse_command_line(const std::vector<std::string> &arguments);

std::string help_text();
std::string version_text();

// The processors this process may run on.
int processors();

}  // namespace exocheck
