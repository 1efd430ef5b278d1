#include "sandbox/leftovers.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/proc.h"

namespace exocheck {

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
        const std::vector<pid_t> members = session_members(sid);
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
