#include "check/compile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "judge/memory_errors.h"
#include "report/visible.h"
#include "run/launcher.h"
#include "sandbox/cannot_run.h"
#include "sandbox/one_shot.h"
#include "sandbox/view.h"

namespace exocheck {

namespace {

constexpr std::size_t WARNINGS_SHOWN = 3;
// Time enough for a learner's source, even in C++ on a loaded machine.
constexpr int COMPILE_MS = 120000;

// The compiler of a language: the name a learner types, then the others
// that may be installed instead.
constexpr std::array<const char *, 3> C_COMPILERS = {"cc", "gcc", "clang"};
constexpr std::array<const char *, 3> CPP_COMPILERS = {"c++", "g++", "clang++"};

struct Compiler {
    std::string name;  // as a learner types it
    std::string path;  // where PATH finds it; empty: none is installed
};

Compiler find_compiler(Language language) {
    for (const char *name : language == Language::c ? C_COMPILERS : CPP_COMPILERS)
        if (std::string found = find_on_path(name); !found.empty()) return Compiler{name, std::move(found)};
    return {};
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool is_error(std::string_view head) {
    return contains(head, ": error: ") || contains(head, ": fatal error: ") || contains(head, "undefined reference") ||
           head.starts_with("collect2: error");
}

// A line that only says where the next diagnostics are: "f.c: In function
// ‘main’:", "/usr/bin/ld: /tmp/cc.o: in function `main':".
bool is_context(std::string_view head) {
    return head.ends_with(":") && !contains(head, ": error: ") && !contains(head, ": warning: ") &&
           !contains(head, ": note: ");
}

std::string joined(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    return text;
}

std::string stem_of(const std::string &given) {
    const std::size_t dot = given.rfind('.');
    return given.substr(0, dot);
}

// `line` with the source, named `named` (its name and a colon), named as
// the user gave it: a directory before it is the compiler's, not the user's.
std::string named_as_given(std::string_view raw, std::string_view named, std::string_view given) {
    std::string line(raw);
    const std::size_t at = line.find(named);
    if (at == std::string::npos || (at > 0 && line[at - 1] != '/' && line[at - 1] != ' ')) return line;
    std::size_t start = at;
    while (start > 0 && line[start - 1] != ' ') --start;
    return line.replace(start, at + named.size() - 1 - start, given);
}

std::string command_line(const std::vector<std::string> &words) {
    std::string line;
    for (const std::string &word : words) {
        if (!line.empty()) line += ' ';
        line += shell_word(word);
    }
    return line;
}

}  // namespace

std::optional<Language> source_language(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos || dot == 0 ||
        path[dot - 1] == '/')
        return std::nullopt;
    const std::string_view extension = path.substr(dot + 1);
    if (extension == "c") return Language::c;
    if (extension == "cpp" || extension == "cc" || extension == "cxx") return Language::cpp;
    return std::nullopt;
}

std::vector<std::string> compile_flags(Language language, bool sanitized) {
    std::vector<std::string> flags = {language == Language::c ? "-std=gnu17" : "-std=gnu++20", "-Wall", "-Wextra",
                                      "-g", "-O0"};
    if (sanitized) flags.insert(flags.end(), {"-fsanitize=address,undefined", "-fno-omit-frame-pointer"});
    return flags;
}

Diagnostics read_diagnostics(std::string_view output, std::string_view source, std::string_view given) {
    // Each diagnostic: a line that does not start with a space, and the
    // lines of source and carets under it; its file named as the user did.
    std::vector<std::vector<std::string>> blocks;
    const std::string named = std::string(source) + ":";
    for (const std::string_view raw : lines_of(output)) {
        const std::string line = named_as_given(raw, named, given);
        if (blocks.empty() || (!line.empty() && line[0] != ' ')) blocks.emplace_back();
        blocks.back().push_back(line);
    }
    Diagnostics d;
    for (const auto &block : blocks) {
        if (!contains(block.front(), ": warning: ")) continue;
        if (++d.warnings <= WARNINGS_SHOWN) d.first_warnings.push_back(block.front());
    }
    // The first error first, with the line that says where it is and the
    // notes that follow it.
    const auto first = std::ranges::find_if(blocks, [](const auto &b) { return is_error(b.front()); });
    std::vector<std::vector<std::string>> ordered;
    if (first != blocks.end()) {
        auto from = first, to = first + 1;
        if (from != blocks.begin() && is_context((from - 1)->front())) --from;
        while (to != blocks.end() && contains(to->front(), ": note: ")) ++to;
        ordered.insert(ordered.end(), from, to);
        blocks.erase(from, to);
    }
    ordered.insert(ordered.end(), blocks.begin(), blocks.end());
    for (const auto &block : ordered) d.messages += joined(block);
    return d;
}

BuiltSource compile_source(const std::string &given, const std::string &directory, bool sanitized_too,
                           Isolation isolation, const std::vector<std::string> &hidden) {
    BuiltSource built;
    const Language language = source_language(given).value_or(Language::c);
    const Compiler compiler = find_compiler(language);
    if (compiler.path.empty()) {
        built.cannot_build = language == Language::c
                                 ? "aucun compilateur C n'est installé (cc, gcc ou clang) : installez gcc"
                                 : "aucun compilateur C++ n'est installé (c++, g++ ou clang++) : installez g++";
        return built;
    }
    // Confined, it is started by a path the sandbox shows.
    const std::string path = isolation == Isolation::sandbox ? path_in_view(compiler.path) : compiler.path;
    if (path.empty()) {
        built.cannot_build = "le compilateur " + compiler.name + " (" + compiler.path +
                             ") est hors de /usr, que le bac à sable ne montre pas : installez celui du système "
                             "(sudo apt-get install " + (language == Language::c ? "gcc" : "g++") + ")";
        return built;
    }
    const std::string name = std::filesystem::path(given).filename().string();
    // The source as the compiler is given it, in its folder: by its name.
    const std::string source = name.starts_with('-') ? "./" + name : name;
    const std::string stem = stem_of(name);
    built.build.program = stem_of(given);
    const auto words = [&](bool sanitized, const std::string &output) {
        std::vector<std::string> w = {compiler.name};
        const std::vector<std::string> flags = compile_flags(language, sanitized);
        w.insert(w.end(), flags.begin(), flags.end());
        w.insert(w.end(), {"-o", output, given, "-lm"});
        return w;
    };
    built.build.command = command_line(words(false, built.build.program));
    built.sanitized_command = command_line(words(true, built.build.program + "-asan"));
    const auto run = [&](bool sanitized, const std::string &output) {
        std::vector<std::string> command = words(sanitized, output);
        command.front() = path;
        command[command.size() - 2] = source;
        command.insert(command.begin() + 1, "-fdiagnostics-color=never");
        return run_one_shot(OneShot{command, given, output, COMPILE_MS, hidden}, isolation);
    };
    const std::string program = directory + "/" + stem;
    const RunResult plain = run(false, program);
    const Diagnostics d = read_diagnostics(plain.err + plain.out, source, given);
    built.build.warnings = d.warnings;
    built.build.first_warnings = d.first_warnings;
    built.build.compiled = exited_with(plain, 0) && access(program.c_str(), X_OK) == 0;
    if (!built.build.compiled) {
        built.build.messages = d.messages;
        if (d.messages.empty()) built.build.messages = "(" + compiler.name + " : " + describe_end(plain) + ")\n";
        return built;
    }
    built.program = program;
    if (!sanitized_too) return built;
    const std::string sanitized = program + "-asan";
    const RunResult with_sanitizers = run(true, sanitized);
    if (exited_with(with_sanitizers, 0) && access(sanitized.c_str(), X_OK) == 0) built.sanitized = sanitized;
    return built;
}

}  // namespace exocheck
