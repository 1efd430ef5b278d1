// dialtotal: reads a time of day hh:mm:ss and prints its seconds count.
#include <cstdio>

#include "always_assert.h"
#include "clockunits.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit une heure hh:mm:ss sur l'entrée standard et affiche son nombre de\n"
    "secondes.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "dialtotal", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int h, m, s;
    printf("Veullez entrer une heure sous la forme hh:mm:ss :\n");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &h, &m ,&s) == 3);
    ALWAYS_ASSERT(h >= 0 && h <= 23);
    ALWAYS_ASSERT(m >= 0 && m <= 59);
    ALWAYS_ASSERT(s >= 0 && s <= 59);
    printf("Le nombre de secondes totales est : %d\n", h * SECONDS_PER_HOUR + m * SECONDS_PER_MINUTE + s);
    return 0;
}
