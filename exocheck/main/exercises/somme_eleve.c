/* Une solution d'élève de l'exercice somme.exo, écrite autrement que la
   référence : correcte telle quelle, fautive avec l'une des macros
   ENTIERS (les nombres tronqués), PLURIEL (toujours « nombres »),
   UNE_DECIMALE (%.1f), ERREUR_IGNOREE (un mot qui n'est pas un nombre
   arrête la lecture sans erreur). */
#include <stdio.h>

static int lire(double *nombre) { return scanf("%lf", nombre) == 1; }

int main(void) {
    double total = 0.0, nombre;
    int n;
    for (n = 0; lire(&nombre); n = n + 1) {
#ifdef ENTIERS
        total = total + (int)nombre;
#else
        total = total + nombre;
#endif
    }
#ifndef ERREUR_IGNOREE
    if (feof(stdin) == 0) {
        fputs("Erreur : ce n'est pas un nombre.\n", stderr);
        return 1;
    }
#endif
#ifdef PLURIEL
    printf("Somme de %d nombres : ", n);
#else
    printf("Somme de %d %s : ", n, n >= 2 ? "nombres" : "nombre");
#endif
#ifdef UNE_DECIMALE
    printf("%.1f\n", total);
#else
    printf("%.2f\n", total);
#endif
    return 0;
}
