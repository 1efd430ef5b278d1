/* Somme : lit des nombres décimaux jusqu'à la fin de l'entrée et affiche
   combien il y en a et leur somme, à deux décimales. Un mot qui n'est pas un
   nombre est une erreur. La référence de l'exercice somme.exo. */
#include <stdio.h>

int main(void) {
    double x, somme = 0;
    int lus = 0;
    while (scanf("%lf", &x) == 1) {
        somme += x;
        lus++;
    }
    if (!feof(stdin)) {
        fprintf(stderr, "Erreur : ce n'est pas un nombre.\n");
        return 1;
    }
    printf("Somme de %d nombre%s : %.2f\n", lus, lus > 1 ? "s" : "", somme);
    return 0;
}
