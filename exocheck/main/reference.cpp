#include "main/reference.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace exocheck {

namespace fs = std::filesystem;

namespace {

bool is_executable_file(const fs::path &path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string find_reference(const ProgramData &program, std::string &tried) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        tried = "/proc/self/exe (illisible)";
        return "";
    }
    const fs::path dir = self.parent_path();
    const fs::path name(program.name);
    const fs::path places[] = {(dir.parent_path() / program.folder / name).lexically_normal(), dir / name};
    tried.clear();
    for (const fs::path &place : places) {
        if (is_executable_file(place)) return place.string();
        tried += (tried.empty() ? "" : ", ") + place.string();
    }
    return "";
}

}  // namespace exocheck
