// ratioscale: reads p, q, x and y and prints p * x / q, computed in single
// precision throughout. The result line ends without a newline.
#include <cstdio>

#include "always_assert.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit deux entiers p et q et deux réels x et y sur l'entrée standard et affiche\n"
    "p × x / q calculé en simple précision.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "ratioscale", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int p, q;
    float x, y;
    printf("Veuillez saisir deux entiers et deux reels :\n");
    ALWAYS_ASSERT(scanf("%d %d %f %f", &p, &q, &x, &y) == 4);
    // q = 0 is not refused: the quotient is an infinity or NaN.
    y = (static_cast<float>(p) * x) / static_cast<float>(q);
    printf("Le resultat est : %.2f", static_cast<double>(y));
    return 0;
}
