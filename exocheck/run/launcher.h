// How a program is started: directly, or through a user-mode emulator when
// the programs of this build are for another processor than the machine's.
// PETITS_EMULATOR, when set, is that emulator's command line, for example
// "qemu-aarch64 -L /usr/aarch64-linux-gnu": the tests of a cross build set
// it, since an emulated process cannot start another program of its own
// processor without help. Scripts and the machine's own programs (a shell)
// start as they are. This is the one place that reads PETITS_EMULATOR.
#pragma once

#include <string>
#include <vector>

namespace exocheck {

// The emulator's command line, split into words: empty when PETITS_EMULATOR
// is not set. Read once, at the first call.
const std::vector<std::string> &emulator();

// True when programs of this build run through an emulator.
inline bool emulated() { return !emulator().empty(); }

// The command line that runs `path` with `arguments`: the emulator's words
// first when there is one and `path` is an ELF executable for the same
// processor as this program.
std::vector<std::string> launch_command(const std::string &path, const std::vector<std::string> &arguments);

// The path of the program `name` on PATH (as a shell finds it), or empty.
std::string find_on_path(const std::string &name);

// qemu-user, when the program it runs dies of a signal that dumps core (the
// SIGABRT of a failed assertion), writes a line of its own on standard
// error after everything the program wrote:
//   qemu: uncaught target signal 6 (Aborted) - core dumped
// ("- no core" where core files are off, as for exocheck's candidates).
// That line as an extended regular expression.
inline constexpr char EMULATOR_REPORT_REGEX[] =
    "qemu: uncaught target signal [0-9]+ \\([^)]*\\) - (core dumped|no core)\n";

// Under an emulator, removes that line from the end of `err`, which then
// holds what the program wrote.
void drop_emulator_report(std::string &err);

}  // namespace exocheck
