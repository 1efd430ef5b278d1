// What a candidate may leave behind: processes and files. A worker is a
// child subreaper, so that every process a candidate leaves (even one that
// made itself a new session) comes back to the worker as its child.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace exocheck {

// Kills every child of this process with SIGKILL and reaps them, until none
// is left: the orphans of a killed child come back and are killed in turn.
void kill_every_child();

// Kills every process of the session `sid` (a candidate made its own
// session), searched in /proc, until none is left: where this process
// cannot be a child subreaper (an emulator refuses it), what a candidate
// leaves is found so, all but a process that made yet another session.
void kill_session(pid_t sid);

// Makes `path` an empty directory of mode 0700 again, after a run: looked at
// with a few system calls when the run left it so (the usual case), made
// anew otherwise (whatever the run put there or in its place). False when
// that fails.
bool make_empty(const std::string &path);

// Removes the directory `path` and everything in it, whatever the modes a
// candidate gave its files, never following a symbolic link; without
// recursion, so that no depth of directories exhausts the stack or the
// descriptors. False when something could not be removed.
bool remove_tree(const std::string &path);

}  // namespace exocheck
