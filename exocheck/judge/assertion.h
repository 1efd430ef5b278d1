// The C library's assertion diagnostic, the one line a failed assertion
// writes on standard error before the program aborts:
//   prog: file:line: function: Assertion `condition' failed.
// Read apart so that a check can compare what matters (the function and the
// condition) whatever the program's name, the file and the line.
#pragma once

#include <optional>
#include <string_view>

namespace exocheck {

struct AssertionLine {
    std::string_view program;    // may be empty: the C library omits it then
    std::string_view file;
    std::string_view line;       // the digits of the line number
    std::string_view function;   // empty when the C library had none to print
    std::string_view condition;  // the text between ` and '
};

// The parts of one diagnostic line, with or without its final newline;
// nothing when `text` is not exactly one such line.
std::optional<AssertionLine> parse_assertion(std::string_view text);

// The first line of a standard error that is such a diagnostic, if any.
std::optional<AssertionLine> find_assertion(std::string_view err);

// The bare name of a function as a diagnostic names it: "main" for both
// "main" (C, or this project's assertions) and "int main()" (C++'s assert,
// which writes the whole signature), "add_1s" for "void add_1s(int*, int*, int*)".
std::string_view bare_function_name(std::string_view function);

}  // namespace exocheck
