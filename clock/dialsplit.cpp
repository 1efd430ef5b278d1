// dialsplit: reads a seconds count, negative ones included, and prints it as
// hh:mm:ss, without a final newline.
#include <cstdio>

#include "always_assert.h"
#include "clockwrap.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit un nombre de secondes, négatif compris, sur l'entrée standard et\n"
    "l'affiche en hh:mm:ss ; un nombre négatif donne des champs négatifs ou nuls.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "dialsplit", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int secondes, heure, minute, seconde;
    printf("Veuillez saisir une valeur horaire exprimee en secondes :\n");
    ALWAYS_ASSERT(scanf("%d", &secondes) == 1);
    to_time(secondes, &heure, &minute, &seconde);
    printf("La valeur en hh:mm:ss de %d est : %02d:%02d:%02d", secondes, heure, minute, seconde);
    return 0;
}
