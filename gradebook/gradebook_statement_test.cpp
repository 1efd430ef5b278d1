// exocheck's model of the grade report's statement: its unbounded search,
// against the reference and against a learner's loop, and its mend.
#include "gradebook_statement.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <vector>

#include "built_programs.h"
#include "cases/cases.h"
#include "gradecalc.h"
#include "mend_rows.h"

namespace exocheck {

namespace {

using Kind = Verdict::Kind;

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

TEST(GradebookStatement, GradeAfterIsTheRepeatedAddition) {
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

TEST(GradebookStatement, UnboundedSearchStopsWhereSteppingStops) {
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
TEST(GradebookStatement, TheModelReadsAndSearchesAsTheReference) {
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

std::string statement_grade(std::vector<double> grades, const std::vector<double> &coefficients) {
    const SearchEnd end = stepping(grades, coefficients, 20000000);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", grade_after(end.steps));
    return text;
}

TEST(GradebookStatement, TheStatementsLetterIsFollowedNotWrong) {
    const std::string past = statement_grade({40, 0}, {-1, 2});
    expect_mend_rows("gradebook", gradebook_statement_run, {
        {"30.03 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false, Kind::follows_statement,
         "ici elle donne 20.02"},
        {"40 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est " + past, false, Kind::follows_statement,
         "ici elle donne " + past},
        // At the bound both searches give 20.01: nothing else follows.
        {"30.01 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false, Kind::differ},
        {"40 0 x -1 2 x -1\n", "minimale est 20.01", "minimale est 20.02", false, Kind::differ},
        // Where the statement's search never ends, its time limit follows
        // it, with all that comes before the minimal grade.
        {"inf 5 x -1 2 x -1\n", "la note minimale est 20.01\navec une moyenne de -inf/20, l'etudiant est ajourné\n"
         "L'étudiant n'a pas passé l'épreuve facultative.\n", "", true, Kind::follows_statement,
         "ici elle ne finit jamais"},
        {"inf 5 x -1 2 x -1\n", "l'etudiant a une moyenne ponderée de -inf\nla note minimale est 20.01\n"
         "avec une moyenne de -inf/20, l'etudiant est ajourné\nL'étudiant n'a pas passé l'épreuve facultative.\n", "",
         true, Kind::differ},
        {"40 0 x -1 2 x -1\n", "la note minimale est 20.01\navec une moyenne de -40.00/20, l'etudiant est ajourné\n"
         "L'étudiant n'a pas passé l'épreuve facultative.\n", "", true, Kind::differ},
    });
}

}  // namespace

}  // namespace exocheck
