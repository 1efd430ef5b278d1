// The one loop that feeds a started process's standard input and collects
// what it writes on its standard output and error, both at once, so that a
// large input or output never deadlocks on a full pipe: for run_program
// and for a candidate's confined run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "run/fd.h"

namespace exocheck {

// This side of a process's standard streams, each non-blocking.
struct ChildStreams {
    Fd to_in;  // closed once everything is written (or the process closed its end)
    Fd from_out, from_err;
};

// A pipe whose `ours` end, this process's, is non-blocking; `theirs` is the
// child's. Both close-on-exec. Throws std::runtime_error when it cannot be
// made.
struct Pipe {
    Fd ours, theirs;
};
Pipe make_pipe(bool child_reads);

struct CollectLimits {
    long deadline_ms = 0;  // on now_ms()'s clock
    std::size_t output_cap = SIZE_MAX;  // bytes per stream: past it, the stream is cut at the cap
    // Bytes of memory in use by the process and every process below it,
    // looked at every few milliseconds once it has run that long.
    std::size_t memory_cap = SIZE_MAX;
    int watch = -1;  // a descriptor that becomes readable when collecting must stop at once; -1 for none
    // Standard input is a terminal: it stays open once everything is typed,
    // as its hang-up would throw away the lines not read yet.
    bool keep_input_open = false;
};

enum class Collected { exited, timed_out, capped, memory, interrupted };

// Writes `input` and reads both outputs into `out` and `err` until the
// process `pid` (a child, not reaped) ends, the deadline passes, a stream
// passes the cap, the processes pass the memory cap or `watch` becomes
// readable. The end is seen through a
// process descriptor, or looked for every few milliseconds on a kernel
// without them. A process that stops reading its input raises no SIGPIPE
// here, whatever this process does with that signal.
Collected collect(pid_t pid, std::string_view input, ChildStreams &streams, const CollectLimits &limits,
                  std::string &out, std::string &err);

// Once no process writes to them any more: what is left in both outputs.
// False when a stream passes the cap.
bool drain(ChildStreams &streams, std::size_t output_cap, std::string &out, std::string &err);

}  // namespace exocheck
