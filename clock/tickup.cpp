// tickup: reads a time of day hh:mm:ss and prints the time one second later.
#include <cstdio>

#include "always_assert.h"
#include "clockwrap.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit une heure hh:mm:ss sur l'entrée standard et affiche l'heure une seconde\n"
    "plus tard : 23:59:59 devient 00:00:00.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "tickup", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int heure, minute, seconde;
    printf("Veuillez entrer une heure sous la forme hh:mm:ss :\n");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    add_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir ajouté une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
