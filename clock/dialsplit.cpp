// dialsplit: reads a seconds count, negative ones included, and prints it as
// hh:mm:ss, without a final newline.
#include <cstdio>

#include "always_assert.h"
#include "clockwrap.h"

int main() {
    int secondes, heure, minute, seconde;
    printf("Veuillez saisir une valeur horaire exprimee en secondes :\n");
    ALWAYS_ASSERT(scanf("%d", &secondes) == 1);
    to_time(secondes, &heure, &minute, &seconde);
    printf("La valeur en hh:mm:ss de %d est : %02d:%02d:%02d", secondes, heure, minute, seconde);
    return 0;
}
