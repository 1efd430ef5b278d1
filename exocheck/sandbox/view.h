// What the sandbox shows, as bubblewrap's words: the system's programs and
// libraries (/usr, and /bin, /lib*, /sbin as they are), the parts of /etc
// that the C library and the dynamic loader read, a passwd and a group
// naming the run's user, a /dev of a few devices, /proc, a /tmp of its own;
// nothing else of the machine, and the given files hidden wherever the view
// would show them. Each run then covers /tmp with an empty one of its own
// (confined_run.h): what the workers keep under /tmp (the candidates'
// copies, the pseudo-terminals) is out of the runs' sight.
#pragma once

#include <string>
#include <vector>

#include "run/fd.h"

namespace exocheck {

// Where the sandbox keeps what only the workers see.
inline constexpr char candidates_root[] = "/tmp/.candidates";  // candidate k at <root>/<k>/<its name>
inline constexpr char workers_dev[] = "/tmp/.dev";             // the workers' pseudo-terminals
// Where a run finds its own candidate, and only it: <root>/<its name>.
inline constexpr char run_candidate_root[] = "/candidat";

struct ViewFiles {
    int passwd = -1, group = -1;     // descriptors, in bwrap, of /etc/passwd's and /etc/group's text
    std::vector<int> candidates;     // descriptors, in bwrap, of each candidate's bytes
    std::vector<std::string> names;  // each candidate's file name
    std::vector<std::string> needed;  // outside /usr: the interpreters and loaders the candidates name
    std::vector<std::string> hidden;  // never shown: the references, exocheck's own files
};

// bubblewrap's words for that view, before its own (--info-fd...).
std::vector<std::string> view_words(const ViewFiles &files);

// The words of a view of the system alone, for a command run once (the
// compiler of a source, one_shot.h): no candidate, nothing for workers, its
// /tmp its own; `files.passwd`, `files.group` and `files.hidden` as above;
// `own`, the command's own words, before the root becomes read-only.
std::vector<std::string> system_view_words(const ViewFiles &files, const std::vector<std::string> &own);

// Whether the file `path` leads to lies in what every view shows of the
// system (/usr): a program of the machine a run may start, such as Valgrind.
bool shown_in_view(const std::string &path);

// The path by which a run in a view starts the program found at `path`: the
// first on the way from it to the program (its folder's links followed,
// then its own links one at a time) that lies in /usr. Not the program
// itself, as a driver such as clang++ reads the name it is started by.
// Empty when the program is not shown (shown_in_view).
std::string path_in_view(const std::string &path);

// A descriptor from which `text` reads, for bubblewrap's --file. Throws
// std::runtime_error (French message) when it cannot be made.
Fd text_file(const std::string &text);

// The interpreter a script names on its #! line, or the loader an ELF
// executable names: what the kernel opens to run `candidate`. Empty when none.
std::string runs_through(const std::string &candidate);

}  // namespace exocheck
