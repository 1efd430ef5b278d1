// digittally and barmax end to end.
#include <gtest/gtest.h>

#include "built_programs.h"
#include "diagnostic.h"
#include "run/run_program.h"

using namespace exocheck;

namespace {

struct Case {
    std::string input;
    std::string out;
};

const std::string HEADING = "Vous avez saisi :\n";

TEST(Digittally, CountsByLastDigit) {
    const std::vector<Case> cases = {
        {"12 22 -7 30",
         HEADING + "1 nombre se terminant par 0\n2 nombres se terminant par 2\n"
                   "1 nombre se terminant par 7\n"},
        {"5 x 15", HEADING + "1 nombre se terminant par 5\n"},
        {"", HEADING},
        {"x 5", HEADING},
        {"\n 0\t0\n0\n", HEADING + "3 nombres se terminant par 0\n"},
        {"9 8 7 6 5 4 3 2 1 0",
         HEADING + "1 nombre se terminant par 0\n1 nombre se terminant par 1\n"
                   "1 nombre se terminant par 2\n1 nombre se terminant par 3\n"
                   "1 nombre se terminant par 4\n1 nombre se terminant par 5\n"
                   "1 nombre se terminant par 6\n1 nombre se terminant par 7\n"
                   "1 nombre se terminant par 8\n1 nombre se terminant par 9\n"},
        {"-2147483648 2147483647 -8 18",
         HEADING + "1 nombre se terminant par 7\n3 nombres se terminant par 8\n"},
        // "%d" takes the 3 of 3.7 and stops at the point.
        {"5 15 3.7 25", HEADING + "1 nombre se terminant par 3\n2 nombres se terminant par 5\n"},
        {"+4 -0", HEADING + "1 nombre se terminant par 0\n1 nombre se terminant par 4\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run_program(program_path("digittally"), c.input);
        EXPECT_TRUE(exited_cleanly(r)) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
    }
}

TEST(Barmax, PrintsTheLargestFirstIntegerOfEachField) {
    const std::vector<Case> cases = {
        {"3|17|-4\n", "17\n"},
        {"-5|-2|-9", "-2\n"},        // the starting value never wins
        {"4 99|7", "7\n"},           // 99 is not the field's first integer
        {"5 x|9", "9\n"},
        {"8|abc|50", "8\n"},         // a malformed field ends the list
        {"5||9", "5\n"},
        {"12", "12\n"},
        {"12|", "12\n"},
        {" \n 3 |\n\t5 \n", "5\n"},
        {"1|2|3|", "3\n"},
        {"-2147483648", "-2147483648\n"},
        {"-2147483648|-2147483648", "-2147483648\n"},
        {"2147483647|5|-2147483648", "2147483647\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run_program(program_path("barmax"), c.input);
        EXPECT_TRUE(exited_cleanly(r)) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
    }
}

TEST(Barmax, HugeValueStillGivesOneInteger) {
    RunResult r = run_program(program_path("barmax"), "99999999999999999999999|3");
    EXPECT_TRUE(exited_cleanly(r));
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out.find_first_not_of("-0123456789"), r.out.size() - 1) << r.out;
    EXPECT_EQ(r.out.back(), '\n');
}

TEST(Barmax, NoIntegerIsAnErrorOnStandardError) {
    for (const char *input : {"", "   \n", "|", "|5", "x|5", "-|5"}) {
        RunResult r = run_program(program_path("barmax"), input);
        EXPECT_TRUE(exited_with(r, 1)) << input << ": " << describe_end(r);
        EXPECT_EQ(r.err, "Erreur: aucun entier valide lu\n") << input;
        EXPECT_EQ(r.out, "") << input;
    }
}

}  // namespace
