// exocheck's knowledge of the grade report's statement, where the reference
// mends it (judge/mend.h): the statement's search for the minimal grade, from
// 2.00 by steps of 0.01 until the average reaches 10, has no bound; the
// reference stops past 20, the top of the grading scale, and prints about
// 20.01. Not part of the program: a library of exocheck's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "judge/mend.h"

namespace exocheck {

// The mend of gradebook.
std::optional<StatementRun> gradebook_statement_run(std::string_view input, const RunResult &reference);

// The minimal-grade search, exposed for its tests.
// The grade after `steps` additions of 0.01 to 2.0, one at a time in double
// precision, computed without taking them one by one.
double grade_after(std::uint64_t steps);

struct SearchEnd {
    bool known = true;  // false: gave up before finding how it ends
    bool ends = true;
    std::uint64_t steps = 0;  // when it ends: the steps taken, the result is grade_after(steps)
};

// The statement's search, without a bound, on the grades as the search finds
// them (the optional-exam grade already applied) and their coefficients:
// where it stops, using the grade module's own functions for the averages.
// Requires 2 <= grades.size() == coefficients.size() <= 12.
SearchEnd unbounded_search(std::span<const double> grades, std::span<const double> coefficients);

// The statement's search on a grade report's input, read as the program
// reads it; nothing when the report stops before its search (a failed
// assertion).
std::optional<SearchEnd> statement_search(std::string_view gradebook_input);

// The steps the reference takes at most: 2.00 + 1801 steps is 20.01.
inline constexpr std::uint64_t BOUNDED_SEARCH_STEPS = 1801;

}  // namespace exocheck
