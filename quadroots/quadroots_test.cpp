// quadroots end to end: the three kinds of result, a = 0 and NaN, failed reads.
#include <gtest/gtest.h>

#include "built_programs.h"
#include "diagnostic.h"
#include "machine_nan.h"
#include "run/run_program.h"

using namespace exocheck;

namespace {

const std::string PROMPT =
    "Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ";
const std::string READ = "scanf(\"%lf %lf %lf\", &a, &b, &c) == 3";

std::string doubled(const std::string &x) {
    return PROMPT + "L'equation admet une solution double : x = " + x + "\n";
}
std::string real(const std::string &x1, const std::string &x2) {
    return PROMPT + "L'equation admet deux solutions reelles distinctes : x1 = " + x1 + " et x2 = " +
           x2 + "\n";
}
std::string complex(const std::string &r, const std::string &d) {
    return PROMPT +
           "L'equation n'admet pas de solution reelle mais des solutions complexes.\n"
           "Les solutions complexes sont : x1 = " + r + " - iv|" + d + "| et x2 = " + r + " + iv|" +
           d + "|\n";
}

struct Case {
    std::string input;
    std::string out;
};

TEST(Quadroots, Solves) {
    const std::string NAN_TEXT = invalid_operation_nan();
    const std::vector<Case> cases = {
        {"1 -3 2", real("1.00", "2.00")},
        {"1\n-3\n\t2\n", real("1.00", "2.00")},
        {"-1 0 4", real("2.00", "-2.00")},  // x1 is the -sqrt root even for a < 0
        {"2 4 2", doubled("-1.00")},
        {"1 0 0", doubled("-0.00")},        // -b / (a + a) with b = 0
        // 0.2 * 0.2 - 4 * 0.01 is 7e-18, not 0: two roots, not a double one.
        {"1 0.2 0.01", real("-0.10", "-0.10")},
        // 0.3 * 0.3 rounds to 4 * 0.0225 exactly: delta is 0 when each
        // operation rounds (fused into one rounding, it would be -3e-18).
        {"1 0.3 0.0225", doubled("-0.15")},
        // x = r -/+ i sqrt(|d|), r = -b / 2a, d = delta / (2a)^2.
        {"1 2 5", complex("-1.00", "-4.00")},
        {"-1 2 -5", complex("1.00", "-4.00")},
        {"1 0 1", complex("-0.00", "-1.00")},
        {"4 2 1", complex("-0.25", "-0.19")},
        {"1 1 0.3", complex("-0.50", "-0.05")},  // delta -0.2, between -1 and 0: complex
        // a = 0 follows the floating rules: infinities and the machine's NaN.
        {"0 2 1", real("-inf", NAN_TEXT)},
        {"0 0 5", doubled(NAN_TEXT)},
        {"0 1 inf", complex("-inf", NAN_TEXT)},  // 0 * inf makes delta NaN
        {"nan 1 1", complex("nan", "nan")},
        {"1e200 1e200 1", real("-inf", "inf")},
    };
    for (const Case &c : cases) {
        RunResult r = run_program(program_path("quadroots"), c.input);
        EXPECT_TRUE(exited_cleanly(r)) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
    }
}

TEST(Quadroots, FewerThanThreeRealsFailAfterThePrompt) {
    for (const char *input : {"", "1 2", "1 2\n", "1 x 3", "a b c"}) {
        RunResult r = run_program(program_path("quadroots"), input);
        EXPECT_TRUE(aborted_with(r, "quadroots", "quadroots/main.cpp", "main", READ)) << input;
        EXPECT_EQ(r.out, PROMPT) << input;
    }
}

}  // namespace
