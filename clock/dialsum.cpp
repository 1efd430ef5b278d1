// dialsum: reads hh:mm:ss, any values, and prints the fields as read and their
// seconds count, without a final newline.
#include <cstdio>

#include "always_assert.h"
#include "clockwrap.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit hh:mm:ss sur l'entrée standard, champs de toute valeur, et affiche les\n"
    "champs lus et leur nombre de secondes.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "dialsum", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int heure, minute, seconde;
    printf("Veuille saisir une valeur horaire sous la forme hh:mm:ss :\n");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    printf("La valeur en secondes de %d:%d:%d est : %d", heure, minute, seconde,
           to_sec(heure, minute, seconde));
    return 0;
}
