// The exercise file: what a program of an exercise reads, in one file, so
// that exocheck can check any console exercise against its reference. The
// fifteen programs' .inputs files are such files (programs.h), and
// exocheck-exercice(5) documents the format for teachers:
//   - one field a line, "<field> <value>", the field's name first, then
//     spaces or tabs, then the value to the end of the line; blank lines and
//     lines that start with # are skipped; a line may end with CR LF;
//   - the value is written as the body of a C string: \n, \t, \r, \\, \",
//     \', \?, \a, \b, \f, \v, \ooo (octal, at most 377), \xHH (two hex
//     digits), and \{ \} \[ \] \| for those bytes; in a shape or a form an
//     escape always stands for the byte itself, never for a slot's syntax;
//   - the fields:
//       typical      an input the program succeeds on (once);
//       form         a well-formed shape of its input (grammar.h), filled
//                    for four generated cases in five; several;
//       shape        a hostile shape of its input, for the malformed cases
//                    and the hostile sweep; several (by default the
//                    malformed cases are drawn from the forms);
//       boundary     one input at the edge of what it reads; several;
//       read-error   "stdout|stderr <message>": its message for an input it
//                    cannot read (once);
//       cases        the number of generated cases (once);
//       timeout      the time limit of each run in seconds, as --timeout
//                    takes it (once);
//       help, exit-status  lines of what its --help says (the fifteen's
//                    command-line tests); several;
//   - at least one form or one boundary case.
// A file with a mistake is refused whole, never half read.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cases/programs.h"

namespace exocheck {

// What is wrong with an exercise file, in French: its name, the line, the
// field and the mistake ("moyenne.exo, ligne 3, champ « form » : accolade
// « { » non fermée").
class ExerciseMistake : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the text of an exercise file named `file` (for the messages). The
// program's name is left empty, and its folder too. Throws ExerciseMistake.
ProgramData read_exercise(std::string_view text, std::string_view file);

// Reads the exercise file at `path` (a regular file of at most 1 MiB); its
// program's name is the file's name less its extension. Throws
// ExerciseMistake, also when the file cannot be read.
ProgramData read_exercise_file(const std::string &path);

// Seconds with at most three decimals, after a point or a comma ("2", "0.5",
// "1,25"), more than 0 and at most an hour, in milliseconds; -1 otherwise.
int timeout_milliseconds(std::string_view seconds);

}  // namespace exocheck
