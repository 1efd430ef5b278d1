#include "run/launcher.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace exocheck {

namespace {

// The bytes of an ELF header that name the machine it runs on (class, byte
// order, machine), or empty when `path` is not an ELF file.
std::string elf_machine(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    char header[20] = {};
    if (!file.read(header, sizeof header) || std::string_view(header, 4) != "\x7f" "ELF") return {};
    return std::string(header + 4, 2) + std::string(header + 18, 2);
}

// Whether `path` is a program of this build's own machine, which the
// emulator runs: a program of the machine underneath runs as it is.
bool needs_emulator(const std::string &path) {
    static const std::string own = elf_machine("/proc/self/exe");
    return !own.empty() && elf_machine(path) == own;
}

}  // namespace

std::vector<std::string> launch_command(const std::string &path, const std::vector<std::string> &arguments) {
    std::vector<std::string> command;
    const char *emulator = std::getenv("PETITS_EMULATOR");
    if (emulator != nullptr && needs_emulator(path)) {
        std::istringstream words(emulator);
        for (std::string word; words >> word;) command.push_back(word);
    }
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
    if (std::getenv("PETITS_EMULATOR") == nullptr ||
        !(err.ends_with(" - core dumped\n") || err.ends_with(" - no core\n")))
        return;
    const std::size_t start = err.rfind('\n', err.size() - 2) + 1;  // 0 when it is the only line
    if (std::string_view(err).substr(start).starts_with("qemu: uncaught target signal ")) err.erase(start);
}

}  // namespace exocheck
