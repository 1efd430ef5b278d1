/* dialsum, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

int to_sec(int heure, int minute, int seconde)
{
    /* 32-bit arithmetic, wrapping past the int range */
    unsigned int total = (unsigned int)heure * 3600u + (unsigned int)minute * 60u + (unsigned int)seconde;
    return (int)total;
}

int main(void)
{
    int heure, minute, seconde;
    printf("Veuille saisir une valeur horaire sous la forme hh:mm:ss :\n");
    assert(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    printf("La valeur en secondes de %d:%d:%d est : %d", heure, minute, seconde, to_sec(heure, minute, seconde));
    return 0;
}
