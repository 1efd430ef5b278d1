/* Une solution d'élève de l'exercice mots.exo, écrite autrement que la
   référence : correcte telle quelle, fautive avec l'une des macros ESPACES
   (compte les espaces plus un), SANS_TABULATION (la tabulation n'est pas un
   séparateur), TOUTE_L_ENTREE (ne s'arrête pas au saut de ligne), ZERO_MOTS
   (« 0 mots »). */
#include <stdio.h>

static int separe(int c) {
#ifdef SANS_TABULATION
    return c == ' ';
#else
    return c == ' ' || c == '\t';
#endif
}

int main(void) {
    int precedent = ' ', c, total = 0;
#ifdef ESPACES
    int vide = 1;
#endif
    for (;;) {
        c = getchar();
#ifdef TOUTE_L_ENTREE
        if (c == EOF) break;
        if (c == '\n') c = ' ';
#else
        if (c == EOF || c == '\n') break;
#endif
#ifdef ESPACES
        vide = 0;
        if (c == ' ') total++;
#else
        if (!separe(c) && separe(precedent)) total++;
#endif
        precedent = c;
    }
#ifdef ESPACES
    if (!vide) total++;
#endif
#ifdef ZERO_MOTS
    printf("%d %s\n", total, total == 1 ? "mot" : "mots");
#else
    printf("%d %s\n", total, total >= 2 ? "mots" : "mot");
#endif
    return 0;
}
