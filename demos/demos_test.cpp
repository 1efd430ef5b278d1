// The five demonstrations end to end: exact bytes on both outputs, and how
// each run ends.
#include <gtest/gtest.h>

#include <bit>

#include "built_programs.h"
#include "diagnostic.h"
#include "machine_nan.h"
#include "run/run_program.h"

using namespace exocheck;

using namespace std::string_literals;  // "...\0..."s keeps the zero bytes

namespace {

struct Case {
    std::string input;
    std::string out;
};

void expect_clean_runs(const std::string &program, const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        RunResult r = run_program(program, c.input);
        EXPECT_TRUE(exited_cleanly(r)) << program << " < " << c.input;
        EXPECT_EQ(r.out, c.out) << program << " < " << c.input;
    }
}

TEST(Pairrule, AppliesTheRule) {
    expect_clean_runs(program_path("pairrule"), {
        {"3 1", "4 0 1\n"},
        {"3 2", "0 4 0\n"},
        {"0 -5", "0 -10 0\n"},
        {"7 -3", "8 0 1\n"},
        {"1\n\n1\n", "2 0 1\n"},
        {"-1 1", "0 2 0\n"},
        {"5 -2147483648", "6 0 1\n"},
        // Out of the int range, x + 1 and y * 2 wrap around as 32-bit
        // arithmetic does.
        {"2147483647 1", "-2147483648 0 1\n"},
        {"0 2147483647", "0 -2 0\n"},
        {"0 1073741824", "0 -2147483648 0\n"},
        {"0 -2147483648", "0 0 0\n"},
        {"-3 -1073741825", "0 2147483646 0\n"},
    });
}

TEST(Pairrule, FailedReadIsReportedOnStandardOutput) {
    for (const char *input : {"", "a", "5", "5 x", "x 5"}) {
        RunResult r = run_program(program_path("pairrule"), input);
        EXPECT_TRUE(exited_cleanly(r, 1)) << input;
        EXPECT_EQ(r.out, "Erreur : échec lors de la lecture des deux entiers\n") << input;
    }
}

const std::string RATIO_PROMPT = "Veuillez saisir deux entiers et deux reels :\n";

TEST(Ratioscale, SinglePrecisionAndNoFinalNewline) {
    const std::string is = RATIO_PROMPT + "Le resultat est : ";
    expect_clean_runs(program_path("ratioscale"), {
        {"3 4 2.5 0", is + "1.88"},  // 1.875 exactly
        {"3 4 2.5 99", is + "1.88"},  // the y read is replaced
        {"1 3 1 0", is + "0.33"},
        {"2 0 1 1", is + "inf"},
        {"-2 0 1 1", is + "-inf"},
        {"0 0 1 1", is + invalid_operation_nan()},
        // 83886075 has no float: the product rounds to 83886072 before the
        // division (83886075 / 5 would give 16777215).
        {"16777215 5 5 0", is + "16777214.00"},
    });
}

TEST(Ratioscale, FailedReadAbortsAfterThePrompt) {
    for (const char *input : {"", "1 2 3", "1 2 x 4", "1.5 2 3 4"}) {
        RunResult r = run_program(program_path("ratioscale"), input);
        EXPECT_TRUE(aborted_with(r, "ratioscale", "demos/ratioscale.cpp", "main",
                                 "scanf(\"%d %d %f %f\", &p, &q, &x, &y) == 4"))
            << input;
        EXPECT_EQ(r.out, RATIO_PROMPT) << input;
    }
}

std::string peek(const std::string &t0, const std::string &value, const std::string &six_bytes) {
    return "valeur saisie : " + t0 + "\nvaleur saisie : " + value + "\nvaleur saisie : " +
           six_bytes + "\nvaleur saisie : " + six_bytes.substr(0, 1) + "\n";
}

// The six bytes are the value's first six in memory: from the least
// significant on a little-endian machine (x86-64, arm64), from the most
// significant on a big-endian one (s390x). Each row gives both.
struct PeekCase {
    std::string input, t0, value;
    std::string little, big;
};

TEST(Bytepeek, ShowsTheBytesInMemoryOrder) {
    const std::vector<PeekCase> rows = {
        {"7 65", "7", "65", "A\0\0\0\0\0"s, "\0\0\0\0\0\0"s},
        {"7\n77263311946305", "7", "77263311946305", "ABCDEF", "\0\0FEDC"s},  // 0x464544434241
        {"0 5208208757389214273", "0", "5208208757389214273", "ABCDEF", "HGFEDC"},  // 0x4847464544434241
        {"0 4702394921427289928", "0", "4702394921427289928", "HGFEDC", "ABCDEF"},  // 0x4142434445464748
        {"-2147483648 -1", "-2147483648", "-1", "\xff\xff\xff\xff\xff\xff", "\xff\xff\xff\xff\xff\xff"},
        {"1 -9223372036854775808", "1", "-9223372036854775808", "\0\0\0\0\0\0"s, "\x80\0\0\0\0\0"s},
        {"2147483647 0", "2147483647", "0", "\0\0\0\0\0\0"s, "\0\0\0\0\0\0"s},
    };
    std::vector<Case> cases;
    for (const PeekCase &row : rows)
        cases.push_back({row.input, peek(row.t0, row.value, std::endian::native == std::endian::big ? row.big : row.little)});
    expect_clean_runs(program_path("bytepeek"), cases);
}

TEST(Bytepeek, FailedReadsAbort) {
    const std::string src = "demos/bytepeek.cpp";
    for (const char *input : {"", "x", "x 65"}) {
        RunResult r = run_program(program_path("bytepeek"), input);
        EXPECT_TRUE(aborted_with(r, "bytepeek", src, "main", "scanf(\"%d\", t) == 1")) << input;
        EXPECT_EQ(r.out, "") << input;
    }
    for (const char *input : {"7", "7 x"}) {
        RunResult r = run_program(program_path("bytepeek"), input);
        EXPECT_TRUE(aborted_with(r, "bytepeek", src, "main", "scanf(\"%ld\", (long *) tc) == 1"))
            << input;
        EXPECT_EQ(r.out, "valeur saisie : 7\n") << input;
    }
}

TEST(Greetjoin, LengthAndSentence) {
    expect_clean_runs(program_path("greetjoin"), {{"", "Message de longueur 21 : Bonjour tout le monde\n"}});
}

TEST(Decaydemo, TableSizeInMainAndInTaille) {
    expect_clean_runs(program_path("decaydemo"), {{"",
                                   "taille de la variable t dans main : 80\n"
                                   "taille de la variable t dans la fonction taille 8\n"}});
}

}  // namespace
