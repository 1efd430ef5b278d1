#include "gradecalc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "diagnostic.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
const std::string SRC = "gradebook/gradecalc.cpp";
const std::string LENGTH = "nb_CC >= NB_MIN && nb_CC <= NB_MAX";

TEST(GradeCalc, DefaultIsAnExactMinusOne) {
    struct Case { std::vector<double> notes; std::size_t nb_CC; bool defaillant; };
    for (const Case &c : std::vector<Case>{{{12, -1, 15}, 3, true},
                                           {{12, 0, 15}, 3, false},
                                           {{12, -0.5, 15}, 3, false},
                                           {{-1, -1}, 2, true},
                                           {{-1, 12, 15}, 3, true},  // index 0 is read too
                                           {{12, 15, -1}, 2, false}}) {  // nothing read past nb_CC
        EXPECT_EQ(est_defaillant(c.notes.data(), c.nb_CC), c.defaillant)
            << testing::PrintToString(c.notes) << " over " << c.nb_CC;
    }
}

TEST(GradeCalc, SumsAndAverage) {
    const double notes[] = {10, 20}, coeffs[] = {1, 3};
    EXPECT_EQ(somme_ponderee(notes, coeffs, 2), 70.0);
    EXPECT_EQ(somme_coeff(coeffs, 2), 4.0);
    EXPECT_EQ(moyenne_ponderee(notes, coeffs, 2), 17.5);
}

TEST(GradeCalc, AverageOverCancellingCoefficientsIsNotGuarded) {
    const double notes[] = {0, 100}, coeffs[] = {1, -1};
    EXPECT_EQ(moyenne_ponderee(notes, coeffs, 2), -INF);
    const double same[] = {5, 5};
    EXPECT_TRUE(std::isnan(moyenne_ponderee(same, coeffs, 2)));
}

TEST(GradeCalc, ModifNotesRaisesOnlyGradesBelow) {
    struct Case { std::vector<double> before; double EF; std::vector<double> after; };
    for (const Case &c : std::vector<Case>{
             {{8, 12, 15, -1}, 12, {12, 12, 15, 12}},
             {{8, 12, 15, -1}, -1, {8, 12, 15, -1}},
             {{12, -3}, -1, {12, -1}},  // below -1 becomes a missing grade
             {{0, 3}, 0, {0, 3}},
             {{5, 7}, INF, {INF, INF}}}) {
        std::vector<double> notes = c.before;
        modif_notes(notes.data(), notes.size(), c.EF);
        EXPECT_EQ(notes, c.after) << "EF = " << c.EF;
    }
}

// Runs combien on a copy of the grades; returns the result and the grades.
std::pair<double, std::vector<double>> search(std::vector<double> notes, std::vector<double> coeffs) {
    double found = combien(notes.data(), coeffs.data(), notes.size());
    return {found, notes};
}

TEST(GradeCalc, CombienStepsByRepeatedAddition) {
    // 801 steps, not 800: after 800 additions the running value is still a
    // hair below 10, and the result a hair below 10.01.
    auto [found, notes] = search({4, 6}, {1, 1});
    EXPECT_GT(found, 10.0);
    EXPECT_LT(found, 10.01);
    EXPECT_NEAR(found, 10.01, 1e-9);
    EXPECT_EQ(notes, (std::vector<double>{found, found}));

    auto [three, raised] = search({12, -1, 15}, {1, 1, 1});  // 101 steps
    EXPECT_NEAR(three, 3.01, 1e-9);
    EXPECT_EQ(raised, (std::vector<double>{12, three, 15}));
}

TEST(GradeCalc, CombienReturnsTheStartWhenAlreadyPassing) {
    for (auto notes : {std::vector<double>{8, 12}, std::vector<double>{15, 16}}) {
        auto [found, after] = search(notes, {1, 1});
        EXPECT_EQ(found, 2.0);
        EXPECT_EQ(after, notes);
    }
}

TEST(GradeCalc, CombienStopsOnNaNOrPlusInfinityAverage) {
    EXPECT_EQ(search({5, 5}, {1, -1}).first, 2.0);  // NaN at once
    EXPECT_EQ(search({5, 5}, {0, 0}).first, 2.0);
    EXPECT_EQ(search({INF, 5}, {1, 1}).first, 2.0);
    // -inf until both grades meet at 6.01, where the average turns NaN.
    EXPECT_NEAR(search({4, 6}, {1, -1}).first, 6.01, 1e-9);
}

TEST(GradeCalc, CombienGivesUpPastTheTopOfTheScale) {
    struct Case { std::vector<double> notes, coeffs; };
    const auto start = std::chrono::steady_clock::now();
    for (const Case &c : std::vector<Case>{{{0, 100}, {1, -1}},
                                           {{0, INF}, {1, -0.5}},
                                           {{0, 1e300}, {1, -1}}}) {
        auto [found, notes] = search(c.notes, c.coeffs);
        EXPECT_NEAR(found, 20.01, 1e-9) << c.notes[1];
        EXPECT_GT(found, 20.0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(GradeCalcDeath, LengthOutsideTwoToTwelve) {
    double notes[13] = {}, coeffs[13] = {};
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{13}}) {
        EXPECT_DEATH(est_defaillant(notes, n), death_regex(SRC, "est_defaillant", LENGTH));
        EXPECT_DEATH(somme_ponderee(notes, coeffs, n), death_regex(SRC, "somme_ponderee", LENGTH));
        EXPECT_DEATH(somme_coeff(coeffs, n), death_regex(SRC, "somme_coeff", LENGTH));
        EXPECT_DEATH(moyenne_ponderee(notes, coeffs, n), death_regex(SRC, "moyenne_ponderee", LENGTH));
        EXPECT_DEATH(modif_notes(notes, n, 5), death_regex(SRC, "modif_notes", LENGTH));
        // combien has no check of its own: modif_notes, its first call, reports it.
        EXPECT_DEATH(combien(notes, coeffs, n), death_regex(SRC, "modif_notes", LENGTH));
    }
}

TEST(GradeCalcDeath, OptionalExamGradeNegativeOrNaN) {
    double notes[] = {8, 12};
    for (double EF : {-2.0, -0.5, -INF, std::nan("")})
        EXPECT_DEATH(modif_notes(notes, 2, EF), death_regex(SRC, "modif_notes", "EF >= 0 || EF == DEF"));
}

}  // namespace
