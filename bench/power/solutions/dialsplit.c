/* dialsplit, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

void to_time(int total_sec, int *heure, int *minute, int *seconde)
{
    *heure = total_sec / 3600;
    *minute = (total_sec / 60) % 60;
    *seconde = total_sec % 60;
}

int main(void)
{
    int secondes, h, m, s;
    printf("Veuillez saisir une valeur horaire exprimee en secondes :\n");
    assert(scanf("%d", &secondes) == 1);
    to_time(secondes, &h, &m, &s);
    printf("La valeur en hh:mm:ss de %d est : %02d:%02d:%02d", secondes, h, m, s);
    return 0;
}
