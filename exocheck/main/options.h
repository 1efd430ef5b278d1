// exocheck's command line:
//   exocheck [OPTION]... PROGRAMME CANDIDAT...
// Options may come anywhere, as --name VALUE or --name=VALUE, their names
// written whole; "--" ends them. Parsed by getopt_long, from a table of the
// options (options.cpp) that also writes their lines in --help.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cases/programs.h"

namespace exocheck {

struct Options {
    const ProgramData *program = nullptr;
    std::vector<std::string> candidates;
    std::size_t cases = 1000;  // generated cases
    std::uint64_t seed = 1;
    bool all = false;
    int jobs = 0;              // 0: one per processor
    int timeout_ms = 2000;
    bool json = false;
    bool sandbox = true;
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
