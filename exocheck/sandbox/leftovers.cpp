#include "sandbox/leftovers.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace exocheck {

namespace {

// The children as the kernel lists them for this process's only thread.
bool listed_children(std::vector<pid_t> &children) {
    std::ifstream list("/proc/self/task/" + std::to_string(getpid()) + "/children");
    if (!list) return false;
    for (long pid = 0; list >> pid;) children.push_back(static_cast<pid_t>(pid));
    return true;
}

// The parent's pid in /proc/<pid>/stat: the field after the command name,
// which ends at the last ')', and the state.
pid_t parent_in_stat(const std::string &stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 > stat.size()) return -1;
    return static_cast<pid_t>(std::strtol(stat.c_str() + close + 4, nullptr, 10));
}

// The session in /proc/<pid>/stat: three fields after the parent's; -1
// for a process already dead (a zombie: only its parent can take it away).
pid_t session_in_stat(const std::string &stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 > stat.size() || stat[close + 2] == 'Z') return -1;
    char *next = nullptr;
    std::strtol(stat.c_str() + close + 4, &next, 10);  // parent
    std::strtol(next, &next, 10);                       // process group
    return static_cast<pid_t>(std::strtol(next, nullptr, 10));
}

// The processes whose /proc/<pid>/stat line satisfies `wanted`.
template <typename Wanted>
void scan_processes(std::vector<pid_t> &found, Wanted wanted) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) return;
    while (const dirent *entry = readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        std::ifstream file(std::string("/proc/") + entry->d_name + "/stat");
        std::string stat;
        if (std::getline(file, stat) && wanted(stat)) found.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
}

// Without the children list (a kernel built without it): every process's
// parent, from /proc.
void scanned_children(std::vector<pid_t> &children) {
    const pid_t self = getpid();
    scan_processes(children, [self](const std::string &stat) { return parent_in_stat(stat) == self; });
}

}  // namespace

std::vector<pid_t> own_children() {
    std::vector<pid_t> children;
    if (!listed_children(children)) scanned_children(children);
    return children;
}

void kill_every_child() {
    for (;;) {
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = waitpid(-1, &status, WNOHANG)) > 0) {
        }
        if (reaped < 0 && errno != EINTR) return;  // ECHILD: none left
        for (const pid_t child : own_children()) kill(child, SIGKILL);
        if (waitpid(-1, &status, 0) < 0 && errno == ECHILD) return;
    }
}

void kill_session(pid_t sid) {
    if (sid <= 0) return;
    // Until none is left alive: a process may fork while the first is
    // being killed, and a killed one takes a moment to die.
    for (int round = 0; round < 1000; ++round) {
        std::vector<pid_t> members;
        scan_processes(members, [sid](const std::string &stat) { return session_in_stat(stat) == sid; });
        if (members.empty()) return;
        for (const pid_t member : members) kill(member, SIGKILL);
        kill_every_child();  // those that were this process's own
        usleep(1000);
    }
}

namespace {

// Opens the directory `name` in `parent`, with every right on it first (if
// that fails, so does the open).
int open_directory(int parent, const char *name) {
    const bool owned = fchmodat(parent, name, S_IRWXU, 0) == 0;
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return owned || fd >= 0 ? fd : -1;
}

// The first entry of `dir` other than . and .., or empty; `is_dir` says
// whether it is a directory (not a link to one).
std::string first_entry(int dir, bool &is_dir) {
    const int copy = dup(dir);
    DIR *stream = copy < 0 ? nullptr : fdopendir(copy);
    if (stream == nullptr) {
        if (copy >= 0) close(copy);
        return {};
    }
    rewinddir(stream);  // the copy shares the offset of the last listing
    std::string name;
    while (const dirent *entry = readdir(stream)) {
        const std::string_view n = entry->d_name;
        if (n == "." || n == "..") continue;
        name = entry->d_name;
        struct stat st {};
        is_dir = fstatat(dir, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        break;
    }
    closedir(stream);
    return name;
}

}  // namespace

namespace {

// True when the directory open at `dir` holds nothing but . and ..: one read
// of its entries, in a buffer that has room for a third one of any name.
bool holds_nothing(int dir) {
    alignas(dirent64) char buf[1024];
    const ssize_t n = getdents64(dir, buf, sizeof buf);
    if (n < 0) return false;
    for (ssize_t at = 0; at < n;) {
        const auto *entry = reinterpret_cast<const dirent64 *>(buf + at);
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") return false;
        at += entry->d_reclen;
    }
    return true;
}

}  // namespace

bool make_empty(const std::string &path) {
    {
        const int dir = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        const bool clean = dir >= 0 && fstat(dir, &st) == 0 && (st.st_mode & 07777) == S_IRWXU && holds_nothing(dir);
        if (dir >= 0) close(dir);
        if (clean) return true;
    }
    if (unlink(path.c_str()) != 0 && errno == EISDIR) remove_tree(path);
    return mkdir(path.c_str(), S_IRWXU) == 0;
}

bool remove_tree(const std::string &path) {
    if (rmdir(path.c_str()) == 0) return true;  // the usual case: the run left nothing
    int dir = open_directory(AT_FDCWD, path.c_str());
    if (dir < 0) return false;
    std::vector<std::string> depth;  // names from `path` down to `dir`
    for (;;) {
        bool is_dir = false;
        const std::string name = first_entry(dir, is_dir);
        if (!name.empty() && is_dir) {
            const int child = open_directory(dir, name.c_str());
            if (child < 0) break;
            close(dir);
            dir = child;
            depth.push_back(name);
        } else if (!name.empty()) {
            if (unlinkat(dir, name.c_str(), 0) != 0) break;
        } else if (depth.empty()) {
            close(dir);
            return rmdir(path.c_str()) == 0;
        } else {  // `dir` is empty: up one level, and remove it there
            const int parent = openat(dir, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(dir);
            dir = parent;
            if (dir < 0 || unlinkat(dir, depth.back().c_str(), AT_REMOVEDIR) != 0) break;
            depth.pop_back();
        }
    }
    if (dir >= 0) close(dir);
    return false;
}

}  // namespace exocheck
