#include "sandbox/view.h"

#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "run/elf.h"

namespace exocheck {

namespace {

std::string link_target(const std::string &path) {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
}

// The file `path` leads to, links followed, or empty when there is none.
std::string resolved(const std::string &path) {
    char *real = realpath(path.c_str(), nullptr);
    std::string found = real != nullptr ? real : "";
    std::free(real);  // realpath's own allocation
    return found;
}

bool in_usr(const std::string &path) { return path.starts_with("/usr/"); }

// `path` as it is on the machine: a link made again, a file or a
// directory bound read-only; nothing when it does not exist.
void shown_as_it_is(const std::string &path, std::vector<std::string> &words) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISLNK(st.st_mode))
        words.insert(words.end(), {"--symlink", link_target(path), path});
    else
        words.insert(words.end(), {"--ro-bind", path, path});
}

// Hides `path` where the view shows it: a file becomes an empty device
// that neither runs nor reads, a directory an empty read-only one. A path
// that leads nowhere is left alone (bwrap would refuse to start).
void hide(const std::string &path, std::vector<std::string> &words) {
    const std::string real = resolved(path);
    struct stat st {};
    if (real.empty() || !in_usr(real) || stat(real.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode))
        words.insert(words.end(), {"--tmpfs", real, "--remount-ro", real});
    else if (S_ISREG(st.st_mode))
        words.insert(words.end(), {"--ro-bind", "/dev/null", real});
}

void system_part(std::vector<std::string> &words) {
    words.insert(words.end(), {"--ro-bind", "/usr", "/usr"});
    for (const char *top : {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) shown_as_it_is(top, words);
    words.insert(words.end(), {"--perms", "0755", "--dir", "/etc"});
    // What the C library and the dynamic loader read; the alternatives,
    // which programs of /usr/bin lead through.
    for (const char *etc : {"/etc/ld.so.cache", "/etc/nsswitch.conf", "/etc/localtime", "/etc/alternatives"})
        shown_as_it_is(etc, words);
}

void devices(std::vector<std::string> &words) {
    words.insert(words.end(), {"--tmpfs", "/dev"});
    for (const char *device : {"/dev/null", "/dev/zero", "/dev/full", "/dev/random", "/dev/urandom", "/dev/tty"})
        words.insert(words.end(), {"--dev-bind", device, device});
    words.insert(words.end(), {"--symlink", "/proc/self/fd", "/dev/fd", "--symlink", "/proc/self/fd/0", "/dev/stdin",
                               "--symlink", "/proc/self/fd/1", "/dev/stdout", "--symlink", "/proc/self/fd/2",
                               "/dev/stderr", "--symlink", "/tmp", "/dev/shm", "--remount-ro", "/dev"});
}

// What every view shows: the system, the run's user, /proc, a /tmp of its
// own.
std::vector<std::string> system_words(const ViewFiles &files) {
    std::vector<std::string> words = {"--unshare-all", "--die-with-parent", "--new-session"};
    system_part(words);
    words.insert(words.end(), {"--perms", "0644", "--file", std::to_string(files.passwd), "/etc/passwd",
                               "--perms", "0644", "--file", std::to_string(files.group), "/etc/group",
                               "--proc", "/proc", "--tmpfs", "/tmp"});
    return words;
}

}  // namespace

std::vector<std::string> system_view_words(const ViewFiles &files, const std::vector<std::string> &own) {
    std::vector<std::string> words = system_words(files);
    devices(words);
    words.insert(words.end(), own.begin(), own.end());
    for (const std::string &path : files.hidden) hide(path, words);
    words.insert(words.end(), {"--remount-ro", "/"});
    return words;
}

bool shown_in_view(const std::string &path) { return in_usr(resolved(path)); }

std::string path_in_view(const std::string &path) {
    if (!shown_in_view(path)) return "";
    std::string at = path;
    for (int links = 0; links < 40; ++links) {  // as many as the kernel follows
        const std::size_t slash = at.rfind('/');
        if (slash == std::string::npos) return "";
        const std::string folder = resolved(slash == 0 ? "/" : at.substr(0, slash));
        if (folder.empty()) return "";
        at = (folder == "/" ? "" : folder) + at.substr(slash);
        if (in_usr(at)) return at;
        const std::string target = link_target(at);
        if (target.empty()) return "";
        at = target.starts_with('/') ? std::string() : folder + '/';
        at += target;
    }
    return "";
}

Fd text_file(const std::string &text) {
    Fd fd(memfd_create("exocheck-view", MFD_CLOEXEC));
    if (!fd.is_open() || write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        lseek(fd.get(), 0, SEEK_SET) != 0)
        throw std::runtime_error("impossible de préparer le bac à sable (memfd)");
    return fd;
}

std::vector<std::string> view_words(const ViewFiles &files) {
    std::vector<std::string> words = system_words(files);
    words.insert(words.end(), {"--dev", workers_dev});
    devices(words);
    words.insert(words.end(), {"--perms", "0755", "--dir", run_candidate_root});
    for (std::size_t k = 0; k < files.candidates.size(); ++k) {
        const std::string dir = std::string(candidates_root) + "/" + std::to_string(k);
        words.insert(words.end(), {"--perms", "0755", "--dir", dir, "--perms", "0555", "--file",
                                   std::to_string(files.candidates[k]), dir + "/" + files.names[k]});
    }
    for (const std::string &path : files.needed) {
        const std::string real = resolved(path);
        if (!real.empty() && !in_usr(real)) words.insert(words.end(), {"--ro-bind", real, real});
    }
    for (const std::string &path : files.hidden) hide(path, words);
    // The sandbox's root and /dev are its own: read-only, so that no run
    // leaves anything in them.
    words.insert(words.end(), {"--remount-ro", "/", "--cap-add", "CAP_SYS_ADMIN"});
    return words;
}

std::string runs_through(const std::string &candidate) {
    const std::string head = file_head(candidate, 256);
    if (head.starts_with("#!")) {
        const std::size_t start = head.find_first_not_of(" \t", 2);
        if (start == std::string::npos) return {};
        const std::size_t end = head.find_first_of(" \t\r\n", start);
        return head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return parse_elf_id(head) ? elf_loader(candidate) : "";
}

}  // namespace exocheck
