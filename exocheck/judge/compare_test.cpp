// When a candidate agrees with the reference. Where following the
// statement's letter is not a difference: the tests of each exercise's mend
// (gradebook/, quadroots/).
#include "judge/compare.h"
#include "judge/shape.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "run_results.h"

namespace exocheck {

namespace {

using Kind = Verdict::Kind;

template <typename Change>
RunResult changed(RunResult r, Change change) {
    change(r);
    return r;
}

const std::string PROMPT = "Veuillez entrer une heure sous la forme hh:mm:ss :\n";
const std::string OURS = "tickup: clock/clockwrap.cpp:17: add_1s: Assertion `*heure >= 0 && *heure <= 23' failed.\n";
const std::string READ = "tickup: clock/tickup.cpp:9: main: Assertion `scanf(\"%d:%d:%d\", &heure, &minute, &seconde) == 3' failed.\n";

struct Row {
    const char *what;
    RunResult reference, candidate;
    Kind kind;
    bool stdout_differs = false, stderr_differs = false, ending_differs = false;
};

TEST(Compare, TheAgreementRule) {
    const RunResult done = exited(0, PROMPT + "\nL'heure ... 00:00:00\n");
    const RunResult refused = signalled(SIGABRT, PROMPT, OURS);
    const RunResult unread = signalled(SIGABRT, PROMPT, READ);
    const std::vector<Row> rows = {
        {"the same run", done, done, Kind::agree},
        {"no final newline", done, changed(done, [](RunResult &r) { r.out.pop_back(); }), Kind::differ, true},
        {"a trailing space", done, changed(done, [](RunResult &r) { r.out.insert(r.out.size() - 1, " "); }),
         Kind::differ, true},
        {"another exit status", done, exited(1, done.out), Kind::differ, false, false, true},
        {"text on standard error", done, exited(0, done.out, "warning\n"), Kind::differ, false, true},
        {"C's assert: another program, file and line", refused,
         signalled(SIGABRT, PROMPT, "a.out: mon_tickup.c:42: add_1s: Assertion `*heure >= 0 && *heure <= 23' failed.\n"),
         Kind::agree},
        {"C++'s assert names int main()", unread,
         signalled(SIGABRT, PROMPT, "./t: t.cpp:7: int main(): Assertion `scanf(\"%d:%d:%d\", &heure, &minute, &seconde) == 3' failed.\n"),
         Kind::agree},
        {"C++'s assert names the whole signature", refused,
         signalled(SIGABRT, PROMPT, "t: t.cpp:3: void add_1s(int*, int*, int*): Assertion `*heure >= 0 && *heure <= 23' failed.\n"),
         Kind::agree},
        {"a condition written otherwise", refused,
         signalled(SIGABRT, PROMPT, "t: t.c:3: add_1s: Assertion `*heure>=0 && *heure<=23' failed.\n"),
         Kind::differ, false, true},
        {"another function", refused,
         signalled(SIGABRT, PROMPT, "t: t.c:3: main: Assertion `*heure >= 0 && *heure <= 23' failed.\n"),
         Kind::differ, false, true},
        {"another condition", unread,
         signalled(SIGABRT, PROMPT, "t: t.c:3: main: Assertion `scanf(\"%d:%d:%d\", &h, &m, &s) == 3' failed.\n"),
         Kind::differ, false, true},
        {"a diagnostic without its newline", refused, signalled(SIGABRT, PROMPT, OURS.substr(0, OURS.size() - 1)),
         Kind::differ, false, true},
        {"a second line after the diagnostic", refused, signalled(SIGABRT, PROMPT, OURS + "Abandon\n"),
         Kind::differ, false, true},
        {"no diagnostic", refused, signalled(SIGABRT, PROMPT, ""), Kind::differ, false, true},
        {"another signal", refused, signalled(SIGSEGV, PROMPT, OURS), Kind::differ, false, false, true},
        {"status 134 is not an abort", refused, exited(134, PROMPT, OURS), Kind::differ, false, false, true},
        {"the time limit, even with the same output", done,
         changed(done, [](RunResult &r) { r.timed_out = true; }), Kind::differ, false, false, true},
        {"the output cap", done, changed(done, [](RunResult &r) { r.out_capped = true; }), Kind::differ, false,
         false, true},
        {"not started", done, changed(exited(0, ""), [](RunResult &r) { r.start_error = 8; }), Kind::differ, true,
         false, true},
        {"a reference stopped by the time limit agrees with nothing",
         changed(done, [](RunResult &r) { r.timed_out = true; }), done, Kind::differ, false, false, true},
    };
    for (const Row &row : rows) {
        const Verdict v = compare("24:00:00\n", row.reference, row.candidate);
        EXPECT_EQ(v.kind, row.kind) << row.what;
        EXPECT_EQ(v.stdout_differs, row.stdout_differs) << row.what;
        EXPECT_EQ(v.stderr_differs, row.stderr_differs) << row.what;
        EXPECT_EQ(v.ending_differs, row.ending_differs) << row.what;
    }
}

TEST(Compare, StdinBufferingWhereALineMayBeLost) {
    const std::string prompt = "Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ";
    const std::string read = "quadroots: quadroots/main.cpp:16: main: Assertion `scanf(\"%lf %lf %lf\", &a, &b, &c) == 3' failed.\n";
    const std::string cs = "q: q.c:9: main: Assertion `scanf(\"%lf %lf %lf\", &a, &b, &c) == 3' failed.\n";
    const RunResult reference = signalled(SIGABRT, prompt, read);
    struct Case {
        const char *what;
        RunResult candidate;
        bool may_depend;
    };
    const std::vector<Case> cases = {
        {"the prompt lost at the abort", signalled(SIGABRT, "", cs), true},
        {"part of the prompt lost", signalled(SIGABRT, prompt.substr(0, 10), cs), true},
        {"nothing lost", signalled(SIGABRT, prompt, cs), false},
        {"an exit loses nothing", exited(0, ""), false},
        // Whatever else differs, a person at a terminal sees the prompt.
        {"another signal", signalled(SIGSEGV, "", cs), true},
        {"another condition", signalled(SIGABRT, "", "q: q.c:9: main: Assertion `n == 3' failed.\n"), true},
        {"other text", signalled(SIGABRT, "Entrez", cs), false},
        {"the time limit", changed(signalled(SIGKILL, ""), [](RunResult &r) { r.timed_out = true; }), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(may_depend_on_stdin_buffering(reference, c.candidate), c.may_depend) << c.what;
    // The candidate's own prompt, ended otherwise than the reference's, may
    // be what its abort lost, whether the reference went on or not.
    const RunResult lines = signalled(SIGABRT, "Veuillez saisir une valeur :\n", cs);
    EXPECT_TRUE(may_depend_on_stdin_buffering(lines, signalled(SIGABRT, "", cs)));
    EXPECT_TRUE(may_depend_on_stdin_buffering(exited(0, prompt + "1 2\n"), signalled(SIGABRT, "", cs)));
}

// Only the condition of the failed assertion differs, in the same function.
TEST(Compare, AConditionWrittenOtherwise) {
    const RunResult refused = signalled(SIGABRT, PROMPT, OURS);
    const std::string other = "t: t.c:3: add_1s: Assertion `*heure >= 0 && *heure < 24' failed.\n";
    const auto pair = condition_pair(refused, signalled(SIGABRT, PROMPT, other));
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->function, "add_1s");
    EXPECT_EQ(pair->expected, "*heure >= 0 && *heure <= 23");
    EXPECT_EQ(pair->obtained, "*heure >= 0 && *heure < 24");
    EXPECT_FALSE(condition_pair(refused, signalled(SIGABRT, PROMPT + "x", other)));  // the output too
    EXPECT_FALSE(condition_pair(refused, signalled(SIGSEGV, PROMPT, other)));        // the ending too
    EXPECT_FALSE(condition_pair(refused, signalled(SIGABRT, PROMPT, "t: t.c:3: main: Assertion `h < 24' failed.\n")));
    EXPECT_FALSE(condition_pair(refused, signalled(SIGABRT, PROMPT, other + "Abandon\n")));
    EXPECT_FALSE(condition_pair(refused, refused));
}

// What a shrunk input must keep: the kinds of line, whatever their numbers
// and their count, and how the run ended.
TEST(Shape, OfARunItsKindsOfLineAndItsEnding) {
    const RunResult capped = changed(signalled(SIGKILL), [](RunResult &r) { r.out_capped = true; });
    const RunResult late = changed(signalled(SIGKILL), [](RunResult &r) { r.timed_out = true; });
    struct Pair {
        const char *what;
        RunResult a, b;
        bool same;
    };
    const std::vector<Pair> pairs = {
        {"other numbers", exited(0, "x = 3\n"), exited(0, "x = -12.5\n"), true},
        {"a row of numbers, longer", exited(0, "12.00 8.00 15.00 \n"), exited(0, "4.00 \n"), true},
        {"a line more of a kind", exited(0, "a 1\n"), exited(0, "a 1\na 2\n"), true},
        {"another kind of line", exited(0, "x1 = 1\n"), exited(0, "nan\n"), false},
        {"the other stream", exited(0, "a\n"), exited(0, "", "a\n"), false},
        {"another status", exited(0), exited(1), false},
        {"a signal", exited(0), signalled(SIGKILL), false},
        {"the output cap", capped, signalled(SIGKILL), false},
        {"the time limit", late, capped, false},
    };
    for (const Pair &p : pairs) EXPECT_EQ(run_shape(p.a) == run_shape(p.b), p.same) << p.what;
}

}  // namespace

}  // namespace exocheck
