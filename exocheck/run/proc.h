// What /proc says of the machine's processes: the one reader of it, for the
// runner (what a candidate left), exocheck's interrupt (its children) and
// the tests (what is still alive).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace exocheck {

// The fields of /proc/PID/stat that say where a process stands.
struct ProcessStat {
    char state = '?';  // 'R', 'S', 'Z' (dead, waiting for its parent) ...
    pid_t parent = -1, group = -1, session = -1;
};

// The fields of one /proc/PID/stat line, whose second field (the command in
// parentheses) may hold spaces and parentheses of its own: it ends at the
// last ')'. Nothing when the line is not such a line.
std::optional<ProcessStat> parse_stat(std::string_view line);

// The stat of the process `pid`, or nothing when it is gone.
std::optional<ProcessStat> process_stat(pid_t pid);

// Every process /proc lists, in no particular order.
std::vector<pid_t> process_ids();

// The whole of /proc/PID/<name> (cmdline, environ, comm...), empty when
// the process is gone or the file cannot be read.
std::string process_file(pid_t pid, const std::string &name);

// Where /proc/PID/exe leads, or empty.
std::string process_exe(pid_t pid);

// The children of this process, started by any of its threads, zombies
// included: from the kernel's lists of each thread's children, or by the
// parent of every process where the kernel keeps no such list.
std::vector<pid_t> own_children();

// The memory in use, in bytes, by `pid` and every process below it (what
// each has resident, shared pages counted in each).
std::size_t memory_in_use(pid_t pid);

// The live processes of the session `sid` (zombies left out: only their
// parent can take them away).
std::vector<pid_t> session_members(pid_t sid);

}  // namespace exocheck
