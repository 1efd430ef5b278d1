/* Mots : lit une ligne (jusqu'au saut de ligne ou à la fin de l'entrée) et
   affiche son nombre de mots, suites de caractères autres que l'espace et la
   tabulation. La référence de l'exercice mots.exo. */
#include <stdio.h>

int main(void) {
    int c, mots = 0, dans_un_mot = 0;
    while ((c = getchar()) != EOF && c != '\n') {
        if (c == ' ' || c == '\t') {
            dans_un_mot = 0;
        } else if (!dans_un_mot) {
            dans_un_mot = 1;
            mots++;
        }
    }
    printf("%d mot%s\n", mots, mots > 1 ? "s" : "");
    return 0;
}
