// digittally: reads integers until a read fails and prints, for each decimal
// digit, how many of them end with it.
#include <cstdio>

#include "program.h"

#include "lastdigit.h"

constexpr char DESCRIPTION[] =
    "Lit des entiers sur l'entrée standard jusqu'au premier mot qui n'en est\n"
    "pas un, et affiche combien se terminent par chaque chiffre. Au terminal,\n"
    "terminez la saisie par Ctrl-D en début de ligne.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "digittally", DESCRIPTION, EXIT_STATUSES);
    int counters[DIGITS] = {};
    int num;
    // The first item that is not an integer ends the input; the rest is
    // left unread.
    while (scanf("%d", &num) == 1)
        mise_a_jour(counters, num);

    printf("Vous avez saisi :\n");
    for (int chiffre = 0; chiffre < DIGITS; ++chiffre) {
        if (counters[chiffre] > 0)
            printf("%d nombre%s se terminant par %d\n", counters[chiffre],
                   counters[chiffre] == 1 ? "" : "s", chiffre);
    }
    return 0;
}
