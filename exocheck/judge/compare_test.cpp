// When a candidate agrees with the reference, and where following the
// statement's letter is not a difference.
#include "judge/compare.h"

#include <gtest/gtest.h>

#include <csignal>
#include <limits>
#include <vector>

#include "built_programs.h"
#include "cases/cases.h"
#include "gradecalc.h"
#include "run_results.h"
#include "judge/statement.h"

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
    const ProgramData &tickup = *find_program("tickup");
    for (const Row &row : rows) {
        const Verdict v = compare(tickup, "24:00:00\n", row.reference, row.candidate);
        EXPECT_EQ(v.kind, row.kind) << row.what;
        EXPECT_EQ(v.stdout_differs, row.stdout_differs) << row.what;
        EXPECT_EQ(v.stderr_differs, row.stderr_differs) << row.what;
        EXPECT_EQ(v.ending_differs, row.ending_differs) << row.what;
    }
}

TEST(Compare, StdinBufferingOnlyForALostPartialLine) {
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
        {"another ending", exited(0, ""), false},
        {"another signal", signalled(SIGSEGV, "", cs), false},
        {"another condition", signalled(SIGABRT, "", "q: q.c:9: main: Assertion `n == 3' failed.\n"), false},
        {"other text", signalled(SIGABRT, "Entrez", cs), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(may_depend_on_stdin_buffering(reference, c.candidate), c.may_depend) << c.what;
    // A whole line is never lost at a terminal, where output is line-buffered.
    const RunResult lines = signalled(SIGABRT, "valeur saisie : 7\n", "b: b.cpp:1: main: Assertion `x' failed.\n");
    EXPECT_FALSE(may_depend_on_stdin_buffering(lines, signalled(SIGABRT, "", lines.err)));
}

// The steps of the statement's search one by one, as a learner's loop
// takes them: the model's oracle, at most `limit` steps.
SearchEnd stepping(std::vector<double> grades, const std::vector<double> &coefficients, std::uint64_t limit) {
    double grade = 2.0;
    modif_notes(grades.data(), grades.size(), grade);
    for (std::uint64_t step = 0; step <= limit; ++step) {
        if (!(moyenne_ponderee(grades.data(), coefficients.data(), grades.size()) < 10.0)) return {true, true, step};
        grade += 0.01;
        modif_notes(grades.data(), grades.size(), grade);
    }
    return {true, false, 0};
}

TEST(Statement, GradeAfterIsTheRepeatedAddition) {
    double grade = 2.0;
    std::uint64_t step = 0;
    // Every step to 4 million (the grade passes 4, 8, ... 32768), then
    // samples up to where 0.01 no longer adds anything.
    for (; step <= 4000000; ++step, grade += 0.01)
        if (step % 997 == 0 || (grade > 3.99 && grade < 4.01) || (grade > 31.99 && grade < 32.01)) {
            ASSERT_EQ(grade_after(step), grade) << step;
        }
    EXPECT_EQ(grade_after(BOUNDED_SEARCH_STEPS), 20.010000000000328);
    const double still = 140737488355328.0;  // 2^47: 0.01 is below half its spacing
    EXPECT_GT(grade_after(std::uint64_t{1} << 60), still - 1);
    EXPECT_EQ(grade_after(std::uint64_t{1} << 60) + 0.01, grade_after(std::uint64_t{1} << 60));
}

TEST(Statement, UnboundedSearchStopsWhereSteppingStops) {
    struct Case {
        std::vector<double> grades, coefficients;
    };
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {{12, 8, 15}, {2, 1, 1}},          // at once
        {{4, 6}, {1, 1}},                  // 801 steps
        {{12, -1, 15}, {1, 1, 1}},         // 101 steps
        {{4, 6}, {1, -1}},                 // minus infinity, then NaN: 401 steps
        {{30, 0}, {-1, 2}},                // 1800 steps, within the bound
        {{30.01, 0}, {-1, 2}},             // 1801: the bound itself
        {{30.03, 0}, {-1, 2}},             // 1802: just past it
        {{40, 0}, {-1, 2}},                // past it, the average rising
        {{0, 0, 31}, {3, -1, -1}},         // past it, coefficients of both signs raised
        {{5, 60, 0}, {1, -2, 2}},          // past it, then one grade overtaken
        {{10, 10}, {0, 0}},                // NaN average
        {{nan, 8}, {1, 1}},
        {{inf, 5}, {1, 1}},
        {{inf, 5}, {-1, 2}},               // never
        {{1e300, 5}, {-1, 2}},             // never, in practice
        {{20, 5}, {-1, -1}},               // a negative sum of coefficients
    };
    for (const Case &c : cases) {
        std::vector<double> grades = c.grades;
        modif_notes(grades.data(), grades.size(), -1);
        const SearchEnd model = unbounded_search(grades, c.coefficients);
        const SearchEnd oracle = stepping(grades, c.coefficients, 3000000);
        EXPECT_TRUE(model.known) << c.grades[0];
        EXPECT_EQ(model.ends, oracle.ends) << c.grades[0] << " " << c.coefficients[0];
        EXPECT_EQ(model.steps, oracle.steps) << c.grades[0] << " " << c.coefficients[0];
    }
}

// Every minimal grade the reference prints is the statement's, or, where the
// statement's search runs past the top of the scale, 20.01.
TEST(Statement, TheModelReadsAndSearchesAsTheReference) {
    const ProgramData &gradebook = *find_program("gradebook");
    const Cases cases(gradebook, 1, 150);  // a few seconds under an emulator
    int searched = 0, past = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string input = cases.at(i).input;
        const RunResult r = run_program(program_path("gradebook"), input);
        const size_t at = r.out.find("la note minimale est ");
        const std::optional<SearchEnd> end = statement_search(input);
        ASSERT_EQ(at != std::string::npos, end.has_value()) << input;
        if (!end) continue;
        ++searched;
        ASSERT_TRUE(end->known) << input;
        const bool within = end->ends && end->steps <= BOUNDED_SEARCH_STEPS;
        past += within ? 0 : 1;
        char line[64];
        std::snprintf(line, sizeof line, "la note minimale est %.2lf\n",
                      grade_after(within ? end->steps : BOUNDED_SEARCH_STEPS));
        EXPECT_EQ(r.out.substr(at, r.out.find('\n', at) + 1 - at), line) << input;
    }
    EXPECT_GT(searched, 130);
    EXPECT_GE(past, 4);
}

// The two mends, on the reference's own runs: the statement's letter is
// followed, anything else differs.
struct MendRow {
    const char *program, *input;
    std::string from, to;  // the candidate's output: the reference's with this replaced
    bool timed_out;
    Kind kind;
    std::string said = "";  // how the mend ends, as the report says it
};

std::string statement_grade(std::vector<double> grades, const std::vector<double> &coefficients) {
    const SearchEnd end = stepping(grades, coefficients, 20000000);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", grade_after(end.steps));
    return text;
}

TEST(Compare, TheStatementsLetterIsFollowedNotWrong) {
    const std::string past = statement_grade({40, 0}, {-1, 2});
    const std::vector<MendRow> rows = {
        {"quadroots", "1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|",
         "2.00 - iv|-16.00| et x2 = 2.00 + iv|-16.00|", false, Kind::follows_statement, "se lise r − i√|d|"},
        {"quadroots", "2 2 1\n", "-0.50 - iv|-0.25| et x2 = -0.50 + iv|-0.25|",
         "2.00 - iv|-4.00| et x2 = 2.00 + iv|-4.00|", false, Kind::follows_statement},
        // The statement's values in another order, or the roots themselves.
        {"quadroots", "1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|",
         "-16.00 - iv|2.00| et x2 = -16.00 + iv|2.00|", false, Kind::differ},
        {"quadroots", "1 2 5\n", "-1.00 - iv|-4.00| et x2 = -1.00 + iv|-4.00|",
         "-1.00 - iv|2.00| et x2 = -1.00 + iv|2.00|", false, Kind::differ},
        // No mend where the roots are real.
        {"quadroots", "1 -3 2\n", "x1 = 1.00", "x1 = 1.01", false, Kind::differ},
        {"gradebook", "30.03 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false,
         Kind::follows_statement, "ici elle donne 20.02"},
        {"gradebook", "40 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est " + past, false,
         Kind::follows_statement, "ici elle donne " + past},
        // At the bound both searches give 20.01: nothing else follows.
        {"gradebook", "30.01 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false, Kind::differ},
        {"gradebook", "40 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false, Kind::differ},
        // Where the statement's search never ends, its time limit follows
        // it, with all that comes before the minimal grade.
        {"gradebook", "inf 5 x -1 2 x -1\n", "la note minimale est 20.01\navec une moyenne de -inf/20, l'etudiant est ajourné\n"
         "L'étudiant n'a pas passé l'épreuve facultative.\n", "", true, Kind::follows_statement,
         "ici elle ne finit jamais"},
        {"gradebook", "inf 5 x -1 2 x -1\n", "l'etudiant a une moyenne ponderée de -inf\nla note minimale est 20.01\n"
         "avec une moyenne de -inf/20, l'etudiant est ajourné\nL'étudiant n'a pas passé l'épreuve facultative.\n", "",
         true, Kind::differ},
        {"gradebook", "40 0 x -1 2 x -1\n", "la note minimale est 20.01\navec une moyenne de -40.00/20, l'etudiant est ajourné\n"
         "L'étudiant n'a pas passé l'épreuve facultative.\n", "", true, Kind::differ},
    };
    for (const MendRow &row : rows) {
        const ProgramData &program = *find_program(row.program);
        const RunResult reference = run_program(program_path(row.program), row.input);
        RunResult candidate = reference;
        const size_t at = candidate.out.find(row.from);
        ASSERT_NE(at, std::string::npos) << row.input << row.from << "\n" << reference.out;
        candidate.out.replace(at, row.from.size(), row.to);
        candidate.timed_out = row.timed_out;
        const Verdict v = compare(program, row.input, reference, candidate);
        EXPECT_EQ(v.kind, row.kind) << row.input << " -> " << row.to;
        EXPECT_EQ(v.statement.empty(), row.kind != Kind::follows_statement) << v.statement;
        EXPECT_TRUE(v.statement.ends_with(row.said)) << v.statement;
        // The candidate that follows the statement still differs: the
        // report shows how.
        EXPECT_TRUE(v.stdout_differs || v.ending_differs) << row.input;
    }
}

}  // namespace

}  // namespace exocheck
