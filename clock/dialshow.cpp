// dialshow: reads a seconds count d >= 0 and prints it as hours, minutes and
// seconds, the hours not reduced to a day.
#include <cstdio>

#include "always_assert.h"
#include "clockunits.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit un nombre de secondes (0 ou plus) sur l'entrée standard et l'affiche en\n"
    "heures : minutes : secondes, les heures sans limite d'un jour.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "dialshow", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int d;
    printf("Veuillez saisir une valeur entiere :\n");
    ALWAYS_ASSERT(scanf("%d", &d) == 1 && d >= 0);
    printf("%02d : %02d : %02d \n", d / SECONDS_PER_HOUR, d % SECONDS_PER_HOUR / SECONDS_PER_MINUTE,
           d % SECONDS_PER_MINUTE);
    return 0;
}
