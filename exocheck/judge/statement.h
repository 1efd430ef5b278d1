// What the exercises' statement asks, word for word, where the reference
// programs mend it: a learner who follows the statement's letter there is
// not wrong, and compare() says so.
//   - quadroots, complex roots: the statement fills its line "x1 = %.2lf -
//     iv|%.2lf| et x2 = %.2lf + iv|%.2lf|" with b, delta, b, delta; the
//     reference writes r = -b/(2a) and d = delta/(4a^2), so that "r - iv|d|"
//     reads r - i sqrt(|d|).
//   - gradebook, minimal grade: the statement's search, from 2.00 by steps
//     of 0.01 until the average reaches 10, has no bound; the reference stops
//     past 20, the top of the grading scale, and prints about 20.01.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cases/programs.h"
#include "run/run_program.h"

namespace exocheck {

struct StatementRun {
    // The statement's standard output, when its run ends as the reference's
    // does (same standard error, same ending).
    std::optional<std::string> out;
    // When the statement's run does not end, or only past a million steps
    // of its search: the output before it. A run stopped by the time limit
    // after exactly this output follows the statement.
    std::optional<std::string> out_before_endless;
    std::string mend;  // the reference's mend and the statement's behaviour, in French
};

// How the statement's letter runs on `input`, where it differs from the
// reference's run `reference`; nothing where the mend makes no difference
// (or the program has none: one not of the fifteen has none).
std::optional<StatementRun> statement_run(const ProgramData &program, std::string_view input,
                                          const RunResult &reference);

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
