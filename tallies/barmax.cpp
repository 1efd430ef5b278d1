// barmax: reads integers separated by "|" and prints the largest. Only the
// first integer of each field counts; a field that does not begin with an
// integer ends the list.
#include <climits>
#include <cstdio>

#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit des entiers séparés par des barres (|) sur l'entrée standard et affiche\n"
    "le plus grand ; seul le premier entier de chaque champ compte. Au terminal,\n"
    "terminez la saisie par Ctrl-D en début de ligne.\n";
constexpr char OWN_EXIT_STATUSES[] =
    "Code de sortie : 0 si le maximum est écrit, 1 si aucun entier n'est lu ou si\n"
    "la sortie standard ne peut pas être écrite, 2 pour un argument refusé.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "barmax", DESCRIPTION, OWN_EXIT_STATUSES);
    int maximum = INT_MIN;
    bool lu = false;  // the starting value must never win over a value read
    for (;;) {
        int n;
        if (scanf(" %d", &n) != 1) {
            if (lu)
                break;
            fprintf(stderr, "Erreur: aucun entier valide lu\n");
            return 1;
        }
        // Drops the rest of the field.
        int c;
        do
            c = getc(stdin);
        while (c != '|' && c != EOF);
        if (!lu || n > maximum)
            maximum = n;
        lu = true;
        if (c == EOF)
            break;
    }
    printf("%d\n", maximum);
    return 0;
}
