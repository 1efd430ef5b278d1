// pairrule: reads x and y and applies the rule: when x > 0 and y <= 1, x
// grows by one, y becomes 0 and z is 1; otherwise y doubles and x and z
// become 0. Prints x, y and z.
#include <cstdio>
#include <cstdlib>

#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit deux entiers x et y sur l'entrée standard ; si x > 0 et y <= 1, affiche\n"
    "x + 1, 0 et 1, sinon 0, y × 2 et 0.\n";
constexpr char OWN_EXIT_STATUSES[] =
    "Code de sortie : 0 si le résultat est écrit, 1 si les deux entiers ne\n"
    "peuvent pas être lus ou si la sortie standard ne peut pas être écrite, 2\n"
    "pour un argument refusé.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "pairrule", DESCRIPTION, OWN_EXIT_STATUSES);
    int x, y, z;
    if (scanf("%d%d", &x, &y) != 2) {
        printf("Erreur : échec lors de la lecture des deux entiers\n");
        exit(1);
    }
    z = 1;
    // Past the int range both operations wrap around as 32-bit arithmetic
    // does: computed unsigned, converted back.
    if (x > 0 && y <= 1) {
        x = static_cast<int>(static_cast<unsigned>(x) + 1U);
        y = 0;
    } else {
        y = static_cast<int>(static_cast<unsigned>(y) * 2U);
        x = 0;
        z = 0;
    }
    printf("%d %d %d\n", x, y, z);
    return 0;
}
