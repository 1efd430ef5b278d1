// The memory errors a memory checker reports on one run of a candidate,
// read from its own words: Valgrind's memcheck (its XML, written on the
// run's standard error with --xml-fd=2) and AddressSanitizer with
// LeakSanitizer and UndefinedBehaviorSanitizer (their reports on standard
// error). Each error gets its kind, named in French for the report, and the
// place in the candidate's own code where it happened: the first frame of
// its stack that is the candidate's, not the C library's, the C++ library's
// or the checker's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exocheck {

enum class MemoryKind {
    read_out_of_bounds,   // "lecture hors d'un tableau"
    write_out_of_bounds,  // "écriture hors d'un tableau"
    uninitialised,        // "valeur non initialisée utilisée"
    use_after_free,       // "utilisation après libération"
    double_free,          // "double libération"
    invalid_free,         // "libération erronée" (not from malloc, new[] freed by delete...)
    invalid_address,      // "accès à une adresse erronée" (null, wild, the stack exhausted)
    other_memory,         // "autre erreur de mémoire" (overlapping copies, a negative size...)
    leak,                 // "fuite de mémoire": a warning, counted or not as a course decides
    undefined_behaviour,  // "comportement indéfini" (an overflow, a shift...): a warning too
};

// "lecture hors d'un tableau", ...
std::string_view kind_in_french(MemoryKind kind);
// A stable name for scripts: "read-out-of-bounds", "uninitialised", "leak"...
std::string_view kind_code(MemoryKind kind);
// Every kind, in the order above.
std::vector<MemoryKind> memory_kinds();
// Leaks and other undefined behaviour are warnings, reported apart: the
// others are errors, found even when the output agrees.
bool is_warning(MemoryKind kind);

struct MemoryError {
    MemoryKind kind = MemoryKind::other_memory;
    std::string file;      // as the debugging information names it; empty without
    int line = 0;          // 0 without debugging information
    std::string function;  // the candidate's function, when the checker names it
    std::string what;      // the checker's own words, one line: "Invalid read of size 4"

    // The same kind at the same place: the same file and line, or the same
    // function when there is no line.
    bool same_place(const MemoryError &other) const;
};

// Which frames of a stack are the candidate's. `source`, when not empty, is
// the name of the one source file it was built from: a frame of that file
// is its own. Otherwise, a frame of code outside the system's libraries and
// headers (and outside the checker's runtime) is.
struct OwnCode {
    std::string source;
};

// The readers below take at most this many errors of a run, the first ones:
// a program of a few hundred lines has fewer places, and a forged report,
// a candidate's own words on standard error, is read in linear time.
inline constexpr std::size_t MOST_MEMORY_ERRORS = 200;

// The errors of a run under memcheck, in the order reported, each place
// once per kind. `err` is the run's standard error, which holds the XML and
// whatever the candidate wrote itself; only the checker's complete <error>
// elements count.
std::vector<MemoryError> read_memcheck_errors(std::string_view err, const OwnCode &own);

// The errors of a run of a program built with AddressSanitizer (and
// UndefinedBehaviorSanitizer), read from its standard error: an index out
// of bounds and the overflow report at the same line that says read or
// write are one error. Each place once per kind.
std::vector<MemoryError> read_sanitizer_errors(std::string_view err, const OwnCode &own);

// The lines of a tool's messages, without their newlines; a last line
// without one is a line too.
std::vector<std::string_view> lines_of(std::string_view text);

}  // namespace exocheck
