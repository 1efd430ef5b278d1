#include "gradecalc.h"

#include "always_assert.h"

namespace {

constexpr double PASS_MARK = 10.0;
constexpr double SEARCH_START = 2.0;
constexpr double SEARCH_STEP = 0.01;
// 1801 steps of 0.01 lead from 2.00 to 20.01, the first candidate past the
// top of the grading scale. Without this bound the search never ends when the
// average cannot reach the pass mark (coefficients of mixed sign, an
// infinite grade), or takes ages (a grade of 1e300).
constexpr unsigned STEPS_TO_LEAVE_SCALE = 1801;

}  // namespace

bool est_defaillant(const double notes[], size_t nb_CC) {
    ALWAYS_ASSERT(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    for (size_t i = 0; i < nb_CC; ++i)
        if (notes[i] == DEF) return true;
    return false;
}

double somme_ponderee(const double notes[], const double coeffs[], size_t nb_CC) {
    ALWAYS_ASSERT(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    double somme = 0.0;
    for (size_t i = 0; i < nb_CC; ++i) somme += notes[i] * coeffs[i];
    return somme;
}

double somme_coeff(const double coeffs[], size_t nb_CC) {
    ALWAYS_ASSERT(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    double somme = 0.0;
    for (size_t i = 0; i < nb_CC; ++i) somme += coeffs[i];
    return somme;
}

double moyenne_ponderee(const double notes[], const double coeffs[], size_t nb_CC) {
    ALWAYS_ASSERT(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    return somme_ponderee(notes, coeffs, nb_CC) / somme_coeff(coeffs, nb_CC);
}

void modif_notes(double notes[], size_t nb_CC, double EF) {
    ALWAYS_ASSERT(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    ALWAYS_ASSERT(EF >= 0 || EF == DEF);
    for (size_t i = 0; i < nb_CC; ++i)
        if (EF > notes[i]) notes[i] = EF;
}

double combien(double notes[], const double coeffs[], size_t nb_CC) {
    double EF = SEARCH_START;
    modif_notes(notes, nb_CC, EF);  // its length check is the first to run
    // Repeated addition, not start + steps * step: the result is the running
    // value, a little below the decimal one (10.01 comes out as 10.00999...).
    for (unsigned steps = 0;
         moyenne_ponderee(notes, coeffs, nb_CC) < PASS_MARK && steps < STEPS_TO_LEAVE_SCALE;
         ++steps) {
        EF += SEARCH_STEP;
        modif_notes(notes, nb_CC, EF);
    }
    return EF;
}
