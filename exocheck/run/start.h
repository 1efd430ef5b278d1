// The one way exocheck and its tests start a process. What one start needs
// and another does not (its own session, a controlling terminal, limits,
// descriptors beyond the standard streams, a signal at its parent's death,
// a working directory, an environment) is said in its ProcessSetup.
//
// The new process shares the starter's memory until it executes the program
// (as vfork does): starting costs no copy of a large process. Every signal
// has its default action there and none is blocked, whatever the starter
// ignores, handles or blocks; it holds no descriptor but those it is given.
// Each step is checked: a step that fails (a limit that cannot be applied,
// a directory that cannot be entered, the program that cannot be executed)
// ends it before the program runs, and the start reports which and why.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

#include "run/fd.h"

namespace exocheck {

// A resource limit (setrlimit) of the started process.
struct ResourceLimit {
    int resource;
    rlim_t soft, hard;
};

// A mount an enclosure's init makes: a file system of `type`, or a bind
// mount of `source` when `type` is empty (read-only when `flags` says so).
struct Mount {
    std::string source, target, type;
    unsigned long flags = 0;
    std::string data;  // the file system's options
};

// A start in namespaces of its own: new pid, mount and IPC namespaces,
// whose first process (the init, a copy of the starter that reaps and
// reports) makes `mounts`, then starts the program in a user namespace of
// its own, its user and group mapped to themselves, where it has no
// capability once it executes and can make no further user namespace (so
// that resource limits counted per user, such as RLIMIT_NPROC, count its
// processes only). The program sees none of the starter's processes. When
// it ends, the init reports its end and exits, and the kernel kills every
// process left in the namespaces; killing the init ends them all at once.
// The starter needs CAP_SYS_ADMIN in its own user namespace.
struct Enclosure {
    std::vector<Mount> mounts;
};

struct ProcessSetup {
    // The program and its arguments: command[0] is a path, or a bare name
    // looked for on PATH.
    std::vector<std::string> command;
    // Descriptors of the starter placed at 0, 1, 2, 3... in the started
    // process, in this order: at least the three standard streams. Every
    // other descriptor is closed there.
    std::vector<int> descriptors;
    // Its environment ("NAME=value" each), or the starter's own.
    std::optional<std::vector<std::string>> environment;
    // Its working directory, or the starter's when empty.
    std::string directory;
    // Its own session and process group.
    bool new_session = false;
    // Its standard input, a terminal's slave, becomes the controlling
    // terminal of its new session (with new_session).
    bool controlling_terminal = false;
    // The signal it gets when the thread that started it ends; 0 for none.
    int parent_death_signal = 0;
    std::vector<ResourceLimit> limits;
    // Its user and group (its supplementary groups dropped), for a start as
    // root that must not stay root; -1 for unchanged.
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
    std::optional<Enclosure> enclosure;
};

// How an enclosed program ended, as its init reports it.
struct ProgramEnd {
    int status = 0;         // its wait status
    struct rusage usage {};  // what it and the processes it left used
};

// How a start went: the pid of the process running the program, or the
// step that failed ("setrlimit", "chdir", "exec"...) and its errno. A failed
// start leaves no process behind.
struct Started {
    pid_t pid = -1;  // the program's, or its init's when enclosed
    int error = 0;
    std::string step;
    explicit operator bool() const { return pid > 0; }
    // "exec: No such file or directory", for messages.
    std::string describe() const;
    // Enclosed: where the init writes the program's end (read_end), and the
    // init's stack, in the starter's memory, kept until the init is reaped.
    Fd end;
    std::unique_ptr<char[]> init_stack;
};

Started start_process(const ProcessSetup &setup);

// The end an enclosure's init wrote on `end`, or nothing when the init
// ended first (killed).
std::optional<ProgramEnd> read_end(int end);

// Waits for the child `pid` to end (through interruptions by signals) and
// returns its wait status; `usage`, when given, receives what it used.
int reap(pid_t pid, struct rusage *usage = nullptr);

}  // namespace exocheck
