// The numbers of a program's output, and its shape: its text with every
// number set aside, so that two runs that say the same things of other
// values have the same shape. A shrunk input keeps the reference's shape on
// the original case: it shows the same behaviour, with smaller values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_program.h"

namespace exocheck {

// A number of a text: an optional minus, digits, and decimals after a point.
struct Number {
    std::string text;
    bool negative = false;
    std::string digits;  // all of them, without the point
    std::size_t decimals = 0;
    std::size_t at = 0;  // where it starts in the text
    // Its value in units of its last decimal; nothing past 18 digits.
    std::optional<std::int64_t> value() const;
};

// The text with each number replaced by '#', and its numbers, in order. A
// point after a number that no digit follows ends a sentence: it is no
// decimal point.
std::string split_numbers(std::string_view text, std::vector<Number> &numbers);

// The text with its numbers replaced by '#', a row of numbers separated by
// spaces or tabs as one: "12.00 8.00 15.00 " and "4.00 " have one shape.
std::string shape(std::string_view text);

// The shape of a run: the kinds of line it writes on each stream (the
// distinct shapes of its lines, however many times and in whatever order),
// and how it ended (the exit status, or the signal). A table printed for
// three numbers or for eight has one shape; two real roots and "nan" do not.
std::string run_shape(const RunResult &run);

// The first line of `expected` that `obtained` does not have at the same
// place, as its shape; "" when `obtained` only goes on past `expected`.
std::string first_differing_line(std::string_view expected, std::string_view obtained);

}  // namespace exocheck
