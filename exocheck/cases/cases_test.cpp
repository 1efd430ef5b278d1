// The cases a check runs: their order, that each is made again the same
// from its seed and number, that every program has its dialogues and
// boundary cases, and that the forms give well-formed inputs.
#include "cases/cases.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <regex>
#include <set>
#include <vector>

#include "built_programs.h"
#include "cases/exercise.h"
#include "cases/grammar.h"
#include "run/run_program.h"

namespace exocheck {

namespace {

using Origin = Case::Origin;

TEST(Cases, DialoguesThenBoundaryThenGenerated) {
    for (const ProgramData &program : all_programs()) {
        const Cases cases(program, 1, 7);
        const size_t dialogues = program.dialogues.size(), boundary = program.boundary.size();
        ASSERT_EQ(cases.size(), dialogues + boundary + 7) << program.name;
        for (size_t i = 0; i < cases.size(); ++i) {
            const Case c = cases.at(i);
            const Origin origin = i < dialogues ? Origin::dialogue
                                  : i < dialogues + boundary ? Origin::boundary
                                                             : Origin::generated;
            const size_t number = i < dialogues ? i + 1 : i < dialogues + boundary ? i - dialogues + 1
                                                                                   : i - dialogues - boundary + 1;
            EXPECT_EQ(c.origin, origin) << program.name << " " << i;
            EXPECT_EQ(c.number, number) << program.name << " " << i;
            if (origin == Origin::dialogue) {
                EXPECT_EQ(c.input, program.dialogues[number - 1]);
            } else if (origin == Origin::boundary) {
                EXPECT_EQ(c.input, program.boundary[number - 1]);
            }
        }
        EXPECT_THROW(static_cast<void>(cases.at(cases.size())), std::out_of_range) << program.name;
    }
}

// Case n of seed s is the same wherever it is made: by another check with
// more cases, after other cases, or alone.
TEST(Cases, AGeneratedCaseDependsOnItsSeedAndNumberAlone) {
    for (const ProgramData &program : all_programs()) {
        const size_t before = program.dialogues.size() + program.boundary.size();
        const Cases small(program, 1, 20), large(program, 1, 100000), other(program, 2, 20);
        std::set<std::string> inputs;
        int same_as_other_seed = 0;
        for (size_t n = 20; n >= 1; --n) {
            const std::string input = small.at(before + n - 1).input;
            EXPECT_EQ(input, large.at(before + n - 1).input) << program.name << " " << n;
            EXPECT_EQ(input, InputGenerator::generated_case(program, 1, n)) << program.name << " " << n;
            same_as_other_seed += input == other.at(before + n - 1).input ? 1 : 0;
            inputs.insert(input);
        }
        if (program.name != "greetjoin" && program.name != "decaydemo") {
            EXPECT_GT(inputs.size(), 10U) << program.name;
            EXPECT_LT(same_as_other_seed, 10) << program.name;
        }
    }
}

// What the examples of the pages and the README feed the programs, read
// from them at configure time: the exact bytes, each input once, and
// nothing of the commands that give an argument.
TEST(Cases, TheDialoguesOfThePagesAndTheReadme) {
    struct Row {
        const char *program;
        std::string input;
        bool present;
    };
    const std::vector<Row> rows = {
        {"tickup", "23:59:59\n", true},
        {"tickup", "4294967308:00:00\n", true},  // an example of the NOTES
        {"tickup", "", false},                   // "tickup -h" takes no input
        {"dialsplit", "-61\n", true},            // echo \-61 | dialsplit
        {"digittally", "7 17\n27\n", true},     // in the README only
        {"barmax", "-5|-2|-9\n", true},
        {"barmax", "x|5\n", true},               // printf ... | barmax; echo $?
        {"digittally", "", true},                // digittally </dev/null
        {"bytepeek", "7 65\n", true},            // ... | bytepeek | cat -v
        {"greetjoin", "", true},
        {"decaydemo", "", true},
        {"gradebook", "12 8 15 x 2 1 1 x -1\n", true},
        {"quadroots", "1 2 1e309\n", true},
    };
    for (const Row &row : rows) {
        const auto dialogues = find_program(row.program)->dialogues;
        const auto count = std::count(dialogues.begin(), dialogues.end(), row.input);
        EXPECT_EQ(count, row.present ? 1 : 0) << row.program << " \"" << row.input << "\"";
    }
    for (const ProgramData &program : all_programs()) {
        EXPECT_FALSE(program.dialogues.empty()) << program.name << ": no dialogue in its page";
        EXPECT_GE(program.boundary.size(), 2U) << program.name;
        const std::set<std::string_view> unique(program.dialogues.begin(), program.dialogues.end());
        EXPECT_EQ(unique.size(), program.dialogues.size()) << program.name;
    }
}

// The slots of the forms: ranges, alternatives and repetitions.
TEST(Grammar, FormsFillTheirSlots) {
    struct Row {
        const char *form;
        const char *pattern;  // every filling matches it
    };
    const std::vector<Row> rows = {
        {"{0..23}:{0..59}", "([0-9]|1[0-9]|2[0-3]):([0-9]|[1-5][0-9])"},
        {"{-3..3}", "-?[0-3]"},
        {"{0.00..20.00}", "([0-9]|1[0-9])(\\.[0-9][1-9]?)?|20"},
        {"{-1.5..1.5}", "-?(0|1)(\\.[1-9])?"},
        {"{x|/|-1}", "x|/|-1"},
        {"{-1|0..20}", "-1|[0-9]|1[0-9]|20"},
        {"{#3..3}[a]", "aaa"},
        {"{#0..0}[a]b", "b"},
        {"{#2..4}[{1..1} ]x [{2..2} ]x", "(1 1 x 2 2 x)|(1 1 1 x 2 2 2 x)|(1 1 1 1 x 2 2 2 2 x)"},
        {"{-9223372036854775808..9223372036854775807}", "-?[0-9]{1,19}"},
        {"{n}", "[0-9]|[1-6][0-9]|70"},  // the hostile slots are still there
        {"{x..5}", "x\\.\\.5"},  // not a range: written as it is (the reader refuses it)
        {"\\{{a\\|b|c}\\}\\[\\\\", "\\{(a\\|b|c)\\}\\[\\\\"},  // escaped bytes are themselves
        {"a{", "a\\{"},
        {"[b", "\\[b"},
    };
    const ProgramData &program = *find_program("tickup");
    for (const Row &row : rows) {
        InputGenerator generator(program, 7);
        const std::regex pattern(row.pattern);
        for (int i = 0; i < 200; ++i) {
            const std::string filled = generator.fill(row.form);
            ASSERT_TRUE(std::regex_match(filled, pattern)) << row.form << " gave \"" << filled << "\"";
        }
    }
}

// Both ends of a range come often: that is where programs go wrong.
TEST(Grammar, RangesReachTheirEnds) {
    struct Row {
        const char *form, *low, *high;
    };
    const std::vector<Row> rows = {
        {"{0..59}", "0", "59"},
        {"{-2147483648..2147483647}", "-2147483648", "2147483647"},
        {"{0.00..20.00}", "0", "20"},
    };
    InputGenerator generator(*find_program("tickup"), 3);
    for (const Row &row : rows) {
        std::set<std::string> seen;
        for (int i = 0; i < 200; ++i) seen.insert(generator.fill(row.form));
        EXPECT_TRUE(seen.contains(row.low)) << row.form;
        EXPECT_TRUE(seen.contains(row.high)) << row.form;
        EXPECT_GT(seen.size(), 50U) << row.form;
        for (const std::string &value : seen) {
            errno = 0;
            std::strtoll(value.c_str(), nullptr, 10);
            EXPECT_EQ(errno, 0) << value;
        }
    }
}

// A case is the same wherever it is made, on every processor of the cross
// builds and in later versions, so that "generated case 17 of seed 1" can
// be made again: the generator is pinned, on a program of its own (the
// programs' forms are data, which may grow). The sum covers 300 cases and
// the sweep's inputs; the inputs shown are three of them.
TEST(Grammar, TheSameCasesWhereverTheyAreMade) {
    const ProgramData pinned = read_exercise("shape {s}{i}:{c}{r}{t}{l}{n}{g}\n"
                                             "shape {I}|{R}|{F}\n"
                                             "shape {i}{s}{i}\n"
                                             "form  {0..23}:{0..59}\\n\n"
                                             "form  {#1..4}[{-1|0.00..20.00} ]x {-9223372036854775808..9223372036854775807}\n",
                                             "pinned.exo");
    EXPECT_EQ(InputGenerator::generated_case(pinned, 1, 1), "13:0\n");
    EXPECT_EQ(InputGenerator::generated_case(pinned, 1, 2), "10.77 x -9223372036854775808");
    EXPECT_EQ(InputGenerator::generated_case(pinned, 1, 17), "0 12.66 -1 -1 x 6249482866164671980");
    uint64_t sum = 1469598103934665603ULL;  // FNV-1a over every byte, a separator after each input
    const auto add = [&sum](const std::string &input, char separator) {
        for (const char c : input + separator) sum = (sum ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    };
    for (uint64_t n = 1; n <= 300; ++n) add(InputGenerator::generated_case(pinned, 1, n), '\1');
    InputGenerator sweep(pinned, 20261208);
    for (const std::string &input : sweep.heavy_inputs()) add(input, '\2');
    for (int i = 0; i < 100; ++i) add(sweep.next(), '\3');
    EXPECT_EQ(sum, 0xf181171193f409bcULL);
}

// Four generated cases in five are well-formed: the reference answers them
// (exit 0); the fifth is malformed.
TEST(Grammar, MostGeneratedCasesAreWellFormed) {
    for (const ProgramData &program : all_programs()) {
        int well_formed = 0, answered = 0;
        for (uint64_t n = 1; n <= 25; ++n) {
            if (n % 5 == 0) continue;
            ++well_formed;
            const RunResult r = run_program(program_path(std::string(program.name)),
                                            InputGenerator::generated_case(program, 1, n));
            answered += r.exited && r.status == 0 ? 1 : 0;
        }
        EXPECT_GE(answered * 10, well_formed * 8) << program.name << ": " << answered << " of " << well_formed;
    }
}

}  // namespace

}  // namespace exocheck
