// A candidate given as a C or C++ source, compiled as a course compiles it:
// the C or C++ compiler found on the machine (cc, else gcc or clang; c++,
// else g++ or clang++), a current standard (gnu17, under which the POSIX
// functions a learner uses, such as strdup, are declared; gnu++20),
// warnings on (-Wall -Wextra), debugging information, no optimisation,
// -lm. With a memory check, a second build adds AddressSanitizer and
// UndefinedBehaviorSanitizer. The compiler runs confined like a candidate:
// it reads the source alone (a header beside it is not seen) and writes
// only into the check's temporary directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/report.h"
#include "sandbox/runner.h"

namespace exocheck {

enum class Language { c, cpp };

// The language of a source by its extension: .c, or .cpp, .cc, .cxx;
// nothing for any other file.
std::optional<Language> source_language(std::string_view path);

// The compiler's words before the output and the source: the flags of a
// plain build, or of a build with the sanitizers.
std::vector<std::string> compile_flags(Language language, bool sanitized);

// What a compiler said, read apart: its warnings counted, the first few
// (their first lines), and its messages with the first error's moved first.
// `source` is the name the compiler was given, `given` the path the user
// gave, which replaces it at the start of each line.
struct Diagnostics {
    std::size_t warnings = 0;
    std::vector<std::string> first_warnings;
    std::string messages;
};
Diagnostics read_diagnostics(std::string_view output, std::string_view source, std::string_view given);

// A source built: the report's part (its command as a learner types it,
// its warnings or why it does not compile), the program to run, and the
// build with the sanitizers when asked for (empty when it failed: the
// memory check then uses Valgrind alone, as its checkers say).
struct BuiltSource {
    SourceBuild build;
    std::string program, sanitized;
    std::string sanitized_command;  // the build with the sanitizers as a learner types it
    std::string cannot_build;  // the machine cannot build it (no compiler): a French sentence
};

// Compiles the source `given` into `directory` (an empty directory of the
// check's own, removed by the caller), `sanitized_too` adding the build with
// the sanitizers; confined, the compiler never sees the files `hidden`
// (the references). Never throws for the source's own faults.
BuiltSource compile_source(const std::string &given, const std::string &directory, bool sanitized_too,
                           Isolation isolation, const std::vector<std::string> &hidden = {});

}  // namespace exocheck
