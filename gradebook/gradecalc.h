// Computations of the grade report over a table of grades and the parallel
// table of coefficients. Every operation takes the tables by address with
// their length nb_CC, NB_MIN <= nb_CC <= NB_MAX, checks that length by an
// assertion, and keeps nothing. For C and C++ alike.
#pragma once

#include <stddef.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

enum {
    NB_MIN = 2,  // shortest table accepted
    NB_MAX = 12  // longest table, and the callers' capacity
};
#define DEF (-1.0)  // a missing grade; as EF, the exam not taken

#ifdef __cplusplus
extern "C" {
#endif

// True when at least one grade equals DEF exactly.
bool est_defaillant(const double notes[], size_t nb_CC);

// Sum of notes[i] * coeffs[i], in index order.
double somme_ponderee(const double notes[], const double coeffs[], size_t nb_CC);

// Sum of the coefficients, in index order.
double somme_coeff(const double coeffs[], size_t nb_CC);

// Weighted sum over sum of coefficients; no guard on a zero divisor.
double moyenne_ponderee(const double notes[], const double coeffs[], size_t nb_CC);

// Raises every grade strictly below EF to EF. Requires EF >= 0 or EF == DEF.
void modif_notes(double notes[], size_t nb_CC, double EF);

// The smallest optional-exam grade, from 2.00 up in steps of 0.01, that
// brings the weighted average to 10. The grades are left raised to it. The
// search gives up past the top of the 0..20 scale and then returns about
// 20.01: no grade on the scale suffices.
double combien(double notes[], const double coeffs[], size_t nb_CC);

#ifdef __cplusplus
}
#endif
