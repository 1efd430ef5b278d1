/* gradebook, as a learner writes it from the statement, in one file (the
   minimal grade searched up to 20.01, as the reference does). */
#include <assert.h>
#include <stdbool.h>
#include <stdio.h>

#define NB_MIN 2
#define NB_MAX 12
#define DEF (-1.0)

bool est_defaillant(const double notes[], size_t nb_CC)
{
    assert(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    for (size_t i = 0; i < nb_CC; i++)
        if (notes[i] == DEF)
            return true;
    return false;
}

double somme_ponderee(const double notes[], const double coeffs[], size_t nb_CC)
{
    assert(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    double somme = 0.0;
    for (size_t i = 0; i < nb_CC; i++)
        somme = somme + notes[i] * coeffs[i];
    return somme;
}

double somme_coeff(const double coeffs[], size_t nb_CC)
{
    assert(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    double somme = 0.0;
    for (size_t i = 0; i < nb_CC; i++)
        somme = somme + coeffs[i];
    return somme;
}

double moyenne_ponderee(const double notes[], const double coeffs[], size_t nb_CC)
{
    assert(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    return somme_ponderee(notes, coeffs, nb_CC) / somme_coeff(coeffs, nb_CC);
}

void modif_notes(double notes[], size_t nb_CC, double EF)
{
    assert(nb_CC >= NB_MIN && nb_CC <= NB_MAX);
    assert(EF >= 0 || EF == DEF);
    for (size_t i = 0; i < nb_CC; i++)
        if (notes[i] < EF)
            notes[i] = EF;
}

double combien(double notes[], const double coeffs[], size_t nb_CC)
{
    double EF = 2.0;
    int pas = 0;
    modif_notes(notes, nb_CC, EF);
    while (moyenne_ponderee(notes, coeffs, nb_CC) < 10.0 && pas < 1801) {
        EF = EF + 0.01;
        modif_notes(notes, nb_CC, EF);
        pas++;
    }
    return EF;
}

size_t scan_tab_double(double tab[], size_t capacite)
{
    size_t n = 0;
    double valeur;
    while (scanf("%lf", &valeur) == 1) {
        if (n == capacite)
            return 13;
        tab[n] = valeur;
        n++;
    }
    getchar();
    return n;
}

void print_tab_double(const double tab[], size_t nb_val)
{
    for (size_t i = 0; i < nb_val; i++)
        printf("%.2lf ", tab[i]);
    printf("\n");
}

int main(void)
{
    double notes[NB_MAX], coeffs[NB_MAX], EF;
    size_t nb_notes = scan_tab_double(notes, NB_MAX);
    assert(nb_notes <= NB_MAX);
    size_t nb = scan_tab_double(coeffs, nb_notes);
    assert(nb == nb_notes);
    assert(scanf("%lf", &EF) == 1);
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
    printf("la note minimale est %.2lf\n", combien(notes, coeffs, nb_notes));
    if (defaillant)
        printf("l'etudiant est defaillant\n");
    else if (moyenne >= 10.0)
        printf("avec une moyenne de %.2lf/20, l'etudiant est admis\n", moyenne);
    else
        printf("avec une moyenne de %.2lf/20, l'etudiant est ajourné\n", moyenne);
    if (EF == DEF)
        printf("L'étudiant n'a pas passé l'épreuve facultative.\n");
    else
        printf("L'étudiant a obtenu %.2lf à l'épreuve facultative.\n", EF);
    return 0;
}
