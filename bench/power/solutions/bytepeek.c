/* bytepeek, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

int main(void)
{
    int t[20];
    long valeur;
    char *tc = (char *) &valeur;
    assert(scanf("%d", t) == 1);
    printf("valeur saisie : %d\n", t[0]);
    assert(scanf("%ld", (long *) tc) == 1);
    printf("valeur saisie : %ld\n", valeur);
    printf("valeur saisie : ");
    for (int i = 0; i < 6; i++)
        putchar(tc[i]);
    printf("\n");
    printf("valeur saisie : %c\n", tc[0]);
    return 0;
}
