#include "processes.h"

#include <optional>

#include "run/proc.h"

using namespace exocheck;

namespace {

// The parent of a live process, or 0 when it is gone or dead.
pid_t live_parent(pid_t pid) {
    const std::optional<ProcessStat> stat = process_stat(pid);
    return stat && stat->state != 'Z' ? stat->parent : 0;
}

}  // namespace

std::string LiveProcess::shown() const {
    std::string line = std::to_string(pid) + " " + cmdline.substr(0, 100);
    for (char &c : line)
        if (c == '\0') c = ' ';
    return line;
}

std::vector<LiveProcess> live_processes(const std::function<bool(const LiveProcess &)> &wanted) {
    std::vector<LiveProcess> found;
    for (const pid_t pid : process_ids()) {
        if (live_parent(pid) == 0) continue;
        LiveProcess p{pid, process_exe(pid), process_file(pid, "cmdline")};
        if (wanted(p)) found.push_back(std::move(p));
    }
    return found;
}

std::vector<pid_t> descendants(pid_t ancestor) {
    std::vector<pid_t> found;
    for (const pid_t pid : process_ids()) {
        for (pid_t p = pid, depth = 0; p > 1 && depth < 32; ++depth) {
            p = live_parent(p);
            if (p == ancestor) {
                found.push_back(pid);
                break;
            }
        }
    }
    return found;
}

std::string command_of(pid_t pid) {
    std::string name = process_file(pid, "comm");
    if (name.ends_with('\n')) name.pop_back();
    return name;
}
