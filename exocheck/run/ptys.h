// The pseudo-terminals of a candidate's run (standard output in raw mode,
// and standard input as a person's terminal when asked) and of a program
// driven as a person types (terminal.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace exocheck {

// A pseudo-terminal: the master (exocheck's side, non-blocking) and the
// slave (the candidate's side), both close-on-exec; -1 when it could not be
// opened.
struct Pty {
    int master = -1;
    int slave = -1;
};

// A terminal as a person's: its modes as the system sets them (echo, lines,
// a newline shown as CR LF).
Pty open_plain_pty();

// The pseudo-terminals of a candidate are made through `ptmx`, the
// multiplexer of a devpts: /dev/ptmx, or the workers' own in a sandbox.

// For standard output: raw mode, so no byte is translated, and the C library
// of the candidate line-buffers it as at a terminal.
Pty open_output_pty(const std::string &ptmx = "/dev/ptmx");

// For standard input: canonical mode (a read returns one line), no echo, no
// signal key, no flow control, no special character but end of file (Ctrl-D)
// and the quote of the next character (Ctrl-V), which keys() uses to send
// those two bytes as they are.
Pty open_input_pty(const std::string &ptmx = "/dev/ptmx");

// What to type at open_input_pty() for `input`: its lines, each special byte
// quoted, a partial last line pushed by one Ctrl-D, and the end by another.
std::string keys(std::string_view input);

// Standard input as a terminal is fed line by line; a line of more than
// this many bytes (its newline not counted) cannot be fed so: the terminal
// keeps no more.
constexpr std::size_t terminal_line_max = 4095;
// True when every line of `input` can be fed to a terminal.
bool fits_terminal(std::string_view input);

}  // namespace exocheck
