// gradebook: reads a student's grades, their coefficients and an optional-exam
// grade, and prints the report: the tables, the new grades, weighted sum and
// average, minimal optional-exam grade, verdict and optional-exam line.
#include <cstdio>

#include "always_assert.h"
#include "gradecalc.h"
#include "program.h"
#include "realstream.h"

constexpr double PASS_MARK = 10.0;  // the verdict: admis from 10/20

constexpr char DESCRIPTION[] =
    "Lit sur l'entrée standard les notes d'un étudiant, leurs coefficients (chaque\n"
    "table terminée par un caractère tel que x) et la note de l'épreuve facultative\n"
    "(-1 : non passée), puis affiche le relevé : les tables, les nouvelles notes, la\n"
    "somme et la moyenne pondérées, la note minimale qui amène la moyenne à 10 et\n"
    "le verdict.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "gradebook", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    double notes[NB_MAX];
    double coeffs[NB_MAX];

    size_t nb_notes = scan_tab_double(notes, NB_MAX);
    ALWAYS_ASSERT(nb_notes <= NB_MAX);
    size_t nb = scan_tab_double(coeffs, nb_notes);
    ALWAYS_ASSERT(nb == nb_notes);
    double EF;
    ALWAYS_ASSERT(scanf("%lf", &EF) == 1);

    printf("Les notes saisies sont :\n");
    print_tab_double(notes, nb_notes);
    printf("Les coefficients sont :\n");
    print_tab_double(coeffs, nb);

    modif_notes(notes, nb_notes, EF);
    printf("les nouvelles notes de l'eleve sont :\n");
    print_tab_double(notes, nb_notes);

    double moyenne = moyenne_ponderee(notes, coeffs, nb_notes);
    double somme = somme_ponderee(notes, coeffs, nb_notes);
    bool defaillant = est_defaillant(notes, nb_notes);
    printf("la somme ponderée de l'etudiant est de %.2lf\n", somme);
    printf("l'etudiant a une moyenne ponderée de %.2lf\n", moyenne);

    // Raises the grades in place; nothing below reads them again.
    printf("la note minimale est %.2lf\n", combien(notes, coeffs, nb_notes));

    if (defaillant)
        printf("l'etudiant est defaillant\n");
    else if (moyenne >= PASS_MARK)
        printf("avec une moyenne de %.2lf/20, l'etudiant est admis\n", moyenne);
    else  // NaN included
        printf("avec une moyenne de %.2lf/20, l'etudiant est ajourné\n", moyenne);

    if (EF == DEF)
        printf("L'étudiant n'a pas passé l'épreuve facultative.\n");
    else
        printf("L'étudiant a obtenu %.2lf à l'épreuve facultative.\n", EF);
    return 0;
}
