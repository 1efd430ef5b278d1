// tickdown: reads a time of day hh:mm:ss and prints the time one second
// earlier.
#include <cstdio>

#include "always_assert.h"
#include "clockback.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit une heure hh:mm:ss sur l'entrée standard et affiche l'heure une seconde\n"
    "plus tôt : 00:00:00 devient 23:59:59.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "tickdown", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int heure, minute, seconde;
    puts("Veuillez entrer une heure sous la forme hh:mm:ss :");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    sub_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir soustrait une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
