// The grade report end to end: exact standard output, standard error and end.
#include <gtest/gtest.h>

#include <chrono>

#include "built_programs.h"
#include "diagnostic.h"
#include "machine_nan.h"
#include "run/run_program.h"

using namespace exocheck;

namespace {

const std::string MAIN = "gradebook/main.cpp";
const std::string CALC = "gradebook/gradecalc.cpp";

RunResult gradebook(const std::string &input) { return run_program(program_path("gradebook"), input); }

std::string tables(const std::string &notes, const std::string &coeffs) {
    return "Les notes saisies sont :\n" + notes + "\nLes coefficients sont :\n" + coeffs + "\n";
}

struct ReportCase {
    std::string input;
    std::string out;
};

TEST(Gradebook, Reports) {
    const std::string NAN_TEXT = invalid_operation_nan();  // 0 / 0 below
    const std::vector<ReportCase> cases = {
        {"12 8 15 x 2 1 1 x -1\n",
         tables("12.00 8.00 15.00 ", "2.00 1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n12.00 8.00 15.00 \n"
             "la somme ponderée de l'etudiant est de 47.00\n"
             "l'etudiant a une moyenne ponderée de 11.75\n"
             "la note minimale est 2.00\n"
             "avec une moyenne de 11.75/20, l'etudiant est admis\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        {"6 8 x 1 1 x 7",
         tables("6.00 8.00 ", "1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n7.00 8.00 \n"
             "la somme ponderée de l'etudiant est de 15.00\n"
             "l'etudiant a une moyenne ponderée de 7.50\n"
             "la note minimale est 10.01\n"
             "avec une moyenne de 7.50/20, l'etudiant est ajourné\n"
             "L'étudiant a obtenu 7.00 à l'épreuve facultative.\n"},
        {"12 -1 15 x 1 1 1 x -1",
         tables("12.00 -1.00 15.00 ", "1.00 1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n12.00 -1.00 15.00 \n"
             "la somme ponderée de l'etudiant est de 26.00\n"
             "l'etudiant a une moyenne ponderée de 8.67\n"
             "la note minimale est 3.01\n"
             "l'etudiant est defaillant\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        // The first grade counts for the default too.
        {"-1 12 x 1 1 x -1",
         tables("-1.00 12.00 ", "1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n-1.00 12.00 \n"
             "la somme ponderée de l'etudiant est de 11.00\n"
             "l'etudiant a une moyenne ponderée de 5.50\n"
             "la note minimale est 8.01\n"
             "l'etudiant est defaillant\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        {"12 -1 15 x 1 1 1 x 9",
         tables("12.00 -1.00 15.00 ", "1.00 1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n12.00 9.00 15.00 \n"
             "la somme ponderée de l'etudiant est de 36.00\n"
             "l'etudiant a une moyenne ponderée de 12.00\n"
             "la note minimale est 2.00\n"
             "avec une moyenne de 12.00/20, l'etudiant est admis\n"
             "L'étudiant a obtenu 9.00 à l'épreuve facultative.\n"},
        // Exactly 10 passes; a zero coefficient sum gives a NaN average,
        // which counts as below 10.
        {"10 10 / 1 1 / 0",
         tables("10.00 10.00 ", "1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n10.00 10.00 \n"
             "la somme ponderée de l'etudiant est de 20.00\n"
             "l'etudiant a une moyenne ponderée de 10.00\n"
             "la note minimale est 2.00\n"
             "avec une moyenne de 10.00/20, l'etudiant est admis\n"
             "L'étudiant a obtenu 0.00 à l'épreuve facultative.\n"},
        // A grade equal to the exam grade is not raised: -0 stays -0.
        {"-0 12 x 1 1 x 0",
         tables("-0.00 12.00 ", "1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n-0.00 12.00 \n"
             "la somme ponderée de l'etudiant est de 12.00\n"
             "l'etudiant a une moyenne ponderée de 6.00\n"
             "la note minimale est 8.01\n"
             "avec une moyenne de 6.00/20, l'etudiant est ajourné\n"
             "L'étudiant a obtenu 0.00 à l'épreuve facultative.\n"},
        {"5 5 x 1 -1 x -1",
         tables("5.00 5.00 ", "1.00 -1.00 ") +
             "les nouvelles notes de l'eleve sont :\n5.00 5.00 \n"
             "la somme ponderée de l'etudiant est de 0.00\n"
             "l'etudiant a une moyenne ponderée de " + NAN_TEXT + "\n"
             "la note minimale est 2.00\n"
             "avec une moyenne de " + NAN_TEXT + "/20, l'etudiant est ajourné\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        // The average cannot reach 10: the search gives up at 20.01.
        {"0 100 x 1 -1 x -1",
         tables("0.00 100.00 ", "1.00 -1.00 ") +
             "les nouvelles notes de l'eleve sont :\n0.00 100.00 \n"
             "la somme ponderée de l'etudiant est de -100.00\n"
             "l'etudiant a une moyenne ponderée de -inf\n"
             "la note minimale est 20.01\n"
             "avec une moyenne de -inf/20, l'etudiant est ajourné\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        {"4 6 x 1 -1 x -1",
         tables("4.00 6.00 ", "1.00 -1.00 ") +
             "les nouvelles notes de l'eleve sont :\n4.00 6.00 \n"
             "la somme ponderée de l'etudiant est de -2.00\n"
             "l'etudiant a une moyenne ponderée de -inf\n"
             "la note minimale est 6.01\n"
             "avec une moyenne de -inf/20, l'etudiant est ajourné\n"
             "L'étudiant n'a pas passé l'épreuve facultative.\n"},
        // Twelve grades, the most a table holds.
        {"1 2 3 4 5 6 7 8 9 10 11 12 x 1 1 1 1 1 1 1 1 1 1 1 1 x 5",
         tables("1.00 2.00 3.00 4.00 5.00 6.00 7.00 8.00 9.00 10.00 11.00 12.00 ",
                "1.00 1.00 1.00 1.00 1.00 1.00 1.00 1.00 1.00 1.00 1.00 1.00 ") +
             "les nouvelles notes de l'eleve sont :\n"
             "5.00 5.00 5.00 5.00 5.00 6.00 7.00 8.00 9.00 10.00 11.00 12.00 \n"
             "la somme ponderée de l'etudiant est de 88.00\n"
             "l'etudiant a une moyenne ponderée de 7.33\n"
             "la note minimale est 9.67\n"
             "avec une moyenne de 7.33/20, l'etudiant est ajourné\n"
             "L'étudiant a obtenu 5.00 à l'épreuve facultative.\n"},
    };
    for (const ReportCase &c : cases) {
        RunResult r = gradebook(c.input);
        EXPECT_TRUE(exited_cleanly(r)) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
    }
}

TEST(Gradebook, InputsThatCouldHangTheSearchEndQuickly) {
    for (const char *input : {"0 inf x 1 -0.5 x -1", "0 1e300 x 1 -1 x -1", "0 100 x 1 -1 x -1",
                              "inf -inf x 1 1 x -1", "nan 3 x 1 1 x -1", "1 2 x nan 1 x 0",
                              "0 0 x 1 1e-300 x inf"}) {
        RunOptions quick;
        quick.timeout_ms = 2000;
        const auto start = std::chrono::steady_clock::now();
        RunResult r = run_program(program_path("gradebook"), input, quick);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << input;
        EXPECT_TRUE(exited_cleanly(r)) << input;
        EXPECT_NE(r.out.find("la note minimale est "), std::string::npos) << input;
    }
}

struct FailureCase {
    std::string input;
    std::string out;  // what precedes the diagnostic
    std::string file, function, condition;
};

TEST(Gradebook, FailuresEndWithTheirDiagnostic) {
    const std::string none;
    const std::vector<FailureCase> cases = {
        {"1 2 3 4 5 6 7 8 9 10 11 12 13 x 1 x 1", none, MAIN, "main", "nb_notes <= NB_MAX"},
        {"12 8 15 x 2 1 x -1", none, MAIN, "main", "nb == nb_notes"},
        {"12 8 x 2 1 1 x -1", none, MAIN, "main", "nb == nb_notes"},
        // Without a terminator, the exam grade is read as one more coefficient.
        {"12 8 15 x 2 1 1 -1", none, MAIN, "main", "nb == nb_notes"},
        {"x 3 x 1", none, MAIN, "main", "nb == nb_notes"},
        {"12 8 x 2 1 x", none, MAIN, "main", "scanf(\"%lf\", &EF) == 1"},
        {"12 8 x 2 1 x abc", none, MAIN, "main", "scanf(\"%lf\", &EF) == 1"},
        {"12 x 2 x 5", tables("12.00 ", "2.00 "), CALC, "modif_notes",
         "nb_CC >= NB_MIN && nb_CC <= NB_MAX"},
        {"x x 5", tables("", ""), CALC, "modif_notes", "nb_CC >= NB_MIN && nb_CC <= NB_MAX"},
        {"12 8 x 2 1 x -2", tables("12.00 8.00 ", "2.00 1.00 "), CALC, "modif_notes",
         "EF >= 0 || EF == DEF"},
        {"12 8 x 2 1 x nan", tables("12.00 8.00 ", "2.00 1.00 "), CALC, "modif_notes",
         "EF >= 0 || EF == DEF"},
    };
    for (const FailureCase &c : cases) {
        // Standard output is a pipe here: the lines before the failure must
        // still be there.
        RunResult r = gradebook(c.input);
        EXPECT_TRUE(aborted_with(r, "gradebook", c.file, c.function, c.condition)) << c.input;
        EXPECT_EQ(r.out, c.out) << c.input;
    }
}

}  // namespace
