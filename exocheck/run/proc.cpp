#include "run/proc.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "run/fd.h"

namespace exocheck {

namespace {

// The whole of a file that read() gives in pieces (/proc's files), or
// nothing when it cannot be opened.
std::optional<std::string> whole_file(const std::string &path) {
    const Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.is_open()) return std::nullopt;
    std::string text;
    char buf[4096];
    for (ssize_t n = 0; (n = read(fd.get(), buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    return text;
}

// The numbers of a directory's entries that are numbers (/proc, /proc/self/task).
std::vector<pid_t> numbered_entries(const char *path) {
    std::vector<pid_t> found;
    DIR *dir = opendir(path);
    if (dir == nullptr) return found;
    while (const dirent *entry = readdir(dir)) {
        char *end = nullptr;
        const long number = std::strtol(entry->d_name, &end, 10);
        if (number > 0 && *end == '\0') found.push_back(static_cast<pid_t>(number));
    }
    closedir(dir);
    return found;
}

// The numbers of a text such as "12 345 6 ".
void append_numbers(const std::string &text, std::vector<pid_t> &into) {
    const char *at = text.c_str();
    for (char *end = nullptr;; at = end) {
        const long number = std::strtol(at, &end, 10);
        if (end == at) return;
        into.push_back(static_cast<pid_t>(number));
    }
}

}  // namespace

std::optional<ProcessStat> parse_stat(std::string_view line) {
    const std::size_t close = line.rfind(')');
    if (close == std::string_view::npos || close + 4 > line.size() || line[close + 1] != ' ') return std::nullopt;
    ProcessStat stat;
    stat.state = line[close + 2];
    const std::string fields(line.substr(close + 3));  // " parent group session ..."
    long values[3] = {};
    const char *at = fields.c_str();
    for (long &value : values) {
        char *end = nullptr;
        value = std::strtol(at, &end, 10);
        if (end == at) return std::nullopt;
        at = end;
    }
    stat.parent = static_cast<pid_t>(values[0]);
    stat.group = static_cast<pid_t>(values[1]);
    stat.session = static_cast<pid_t>(values[2]);
    return stat;
}

std::optional<ProcessStat> process_stat(pid_t pid) {
    const std::optional<std::string> line = whole_file("/proc/" + std::to_string(pid) + "/stat");
    return line ? parse_stat(*line) : std::nullopt;
}

std::vector<pid_t> process_ids() { return numbered_entries("/proc"); }

std::string process_file(pid_t pid, const std::string &name) {
    return whole_file("/proc/" + std::to_string(pid) + "/" + name).value_or("");
}

std::string process_exe(pid_t pid) {
    char target[4096];
    const ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
}

std::vector<pid_t> own_children() {
    std::vector<pid_t> children;
    bool listed = false;
    for (const pid_t task : numbered_entries("/proc/self/task")) {
        const std::optional<std::string> list =
            whole_file("/proc/self/task/" + std::to_string(task) + "/children");
        if (!list) continue;
        listed = true;
        append_numbers(*list, children);
    }
    if (listed) return children;
    const pid_t self = getpid();
    for (const pid_t pid : process_ids()) {
        const std::optional<ProcessStat> stat = process_stat(pid);
        if (stat && stat->parent == self) children.push_back(pid);
    }
    return children;
}

std::size_t memory_in_use(pid_t pid) {
    static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t bytes = 0;
    std::vector<pid_t> pending = {pid};
    // A bound on the walk, should a pid be used again while it goes on.
    for (int looked = 0; !pending.empty() && looked < 4096; ++looked) {
        const pid_t p = pending.back();
        pending.pop_back();
        const std::string statm = process_file(p, "statm");  // size resident ...
        const std::size_t space = statm.find(' ');
        if (space != std::string::npos) bytes += std::strtoul(statm.c_str() + space, nullptr, 10) * page;
        const std::string tasks = "/proc/" + std::to_string(p) + "/task";
        for (const pid_t task : numbered_entries(tasks.c_str()))
            append_numbers(whole_file(tasks + "/" + std::to_string(task) + "/children").value_or(""), pending);
    }
    return bytes;
}

std::vector<pid_t> session_members(pid_t sid) {
    std::vector<pid_t> members;
    for (const pid_t pid : process_ids()) {
        const std::optional<ProcessStat> stat = process_stat(pid);
        if (stat && stat->state != 'Z' && stat->session == sid) members.push_back(pid);
    }
    return members;
}

}  // namespace exocheck
