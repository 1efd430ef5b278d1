// The processes a test looks for once its runs are over: those still alive
// below a process, or those whose program or command line says they are the
// test's own (/proc read through exocheck's reader).
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct LiveProcess {
    pid_t pid;
    std::string exe;      // where /proc/PID/exe leads
    std::string cmdline;  // its arguments, each ended by a NUL
    // "PID <command line>", for messages.
    std::string shown() const;
};

// Every live process (a zombie is dead) for which `wanted` is true.
std::vector<LiveProcess> live_processes(const std::function<bool(const LiveProcess &)> &wanted);

// Every live process below `ancestor`, at any depth.
std::vector<pid_t> descendants(pid_t ancestor);

// The command name of the process `pid` (/proc/PID/comm), or empty.
std::string command_of(pid_t pid);
