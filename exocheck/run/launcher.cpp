#include "run/launcher.h"

#include <cstdlib>
#include <sstream>
#include <string_view>
#include <unistd.h>

#include "run/elf.h"

namespace exocheck {

namespace {

// Whether `path` is a program of this build's own machine, which the
// emulator runs: a program of the machine underneath runs as it is.
bool needs_emulator(const std::string &path) {
    const std::optional<ElfId> id = elf_id(path);
    return id && own_elf_id().machine != 0 && id->same_machine(own_elf_id());
}

}  // namespace

const std::vector<std::string> &emulator() {
    static const std::vector<std::string> words = [] {
        std::vector<std::string> split;
        const char *line = std::getenv("PETITS_EMULATOR");
        std::istringstream in(line != nullptr ? line : "");
        for (std::string word; in >> word;) split.push_back(word);
        return split;
    }();
    return words;
}

std::vector<std::string> launch_command(const std::string &path, const std::vector<std::string> &arguments) {
    std::vector<std::string> command;
    if (emulated() && needs_emulator(path)) command = emulator();
    command.push_back(path);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

std::string find_on_path(const std::string &name) {
    const char *path = std::getenv("PATH");
    const std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string file = end == start ? "." : dirs.substr(start, end - start);
        file += '/';
        file += name;
        if (access(file.c_str(), X_OK) == 0) return file;
        start = end + 1;
    }
    return {};
}

void drop_emulator_report(std::string &err) {
    if (!emulated() ||
        !(err.ends_with(" - core dumped\n") || err.ends_with(" - no core\n")))
        return;
    const std::size_t start = err.rfind('\n', err.size() - 2) + 1;  // 0 when it is the only line
    if (std::string_view(err).substr(start).starts_with("qemu: uncaught target signal ")) err.erase(start);
}

}  // namespace exocheck
