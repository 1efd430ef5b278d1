// Bytes shown so that every one of them can be seen and told apart: in the
// report, an input, the lines of an output, and a shell command that gives
// the input back byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace exocheck {

// The length of the UTF-8 sequence that starts `text` (1 to 4), or 0 when it
// does not start with a valid one (a byte of Latin-1, a sequence cut short,
// an overlong form, a surrogate).
std::size_t utf8_length(std::string_view text);
bool is_utf8(std::string_view text);

// An input as a C string between double quotes: "23:59:59\n". Printable
// UTF-8 stays as it is; \n, \t, \r, \\ and \" as in C; other control
// characters and bytes that are not UTF-8 as \xNN; a no-break space as
// \u00a0 (U+202F as \u202f).
std::string quoted_input(std::string_view input);

// One line of an output, without its newline, as the report shows it:
// escaped as above (without the quotes), the spaces that end the line or
// stand two or more together shown as ␣, and ⏎ after a line that ends the
// output without a newline (`unterminated`).
std::string visible_line(std::string_view line, bool unterminated);

// The shell command that feeds `input` to the candidate at `path`:
// printf '23:59:59\n' | ./mon_tickup, or ./mon_tickup < /dev/null for no
// input. A path without a slash gets ./ so that no shell looks it up in PATH.
std::string reproduce_command(std::string_view input, std::string_view path);

// `word` as one shell word: between single quotes, a quote in it as '\''.
std::string single_quoted(std::string_view word);
// The same, or `word` as it is when it only has characters no shell treats
// apart.
std::string shell_word(std::string_view word);

}  // namespace exocheck
