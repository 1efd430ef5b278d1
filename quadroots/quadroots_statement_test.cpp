// exocheck's model of the quadratic solver's statement: its mend.
#include "quadroots_statement.h"

#include <gtest/gtest.h>

#include "mend_rows.h"

namespace exocheck {

namespace {

using Kind = Verdict::Kind;

TEST(QuadrootsStatement, TheStatementsLetterIsFollowedNotWrong) {
    expect_mend_rows("quadroots", quadroots_statement_run, {
        {"1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|", "2.00 - iv|-16.00| et x2 = 2.00 + iv|-16.00|",
         false, Kind::follows_statement, "se lise r − i√|d|"},
        {"2 2 1\n", "-0.50 - iv|-0.25| et x2 = -0.50 + iv|-0.25|", "2.00 - iv|-4.00| et x2 = 2.00 + iv|-4.00|", false,
         Kind::follows_statement},
        // The statement's values in another order, or the roots themselves.
        {"1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|", "-16.00 - iv|2.00| et x2 = -16.00 + iv|2.00|",
         false, Kind::differ},
        {"1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|", "-1.00 - iv|2.00| et x2 = -1.00 + iv|2.00|", false,
         Kind::differ},
        // No mend where the roots are real.
        {"1 -3 2\n", "x1 = 1.00", "x1 = 1.01", false, Kind::differ},
    });
}

}  // namespace

}  // namespace exocheck
