/* barmax, as a learner writes it from the statement. */
#include <stdio.h>
#include <limits.h>

int main(void)
{
    int max = INT_MIN, n, lus = 0, c = 0;
    while (c != EOF && scanf(" %d", &n) == 1) {
        if (lus == 0 || n > max)
            max = n;
        lus++;
        while ((c = getchar()) != '|' && c != EOF)
            ;
    }
    if (lus == 0) {
        fprintf(stderr, "Erreur: aucun entier valide lu\n");
        return 1;
    }
    printf("%d\n", max);
    return 0;
}
