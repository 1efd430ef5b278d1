// quadroots: reads a, b and c and solves a x^2 + b x + c = 0, reporting a
// double root, two distinct real roots or the two complex roots.
#include <cmath>
#include <cstdio>

#include "always_assert.h"
#include "program.h"

constexpr char DESCRIPTION[] =
    "Lit a, b et c sur l'entrée standard et résout a x² + b x + c = 0 : une racine\n"
    "double, deux racines réelles distinctes ou les deux racines complexes.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "quadroots", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    double a, b, c;
    printf("Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ");
    ALWAYS_ASSERT(scanf("%lf %lf %lf", &a, &b, &c) == 3);

    // a = 0 is not singled out: the divisions by a + a give infinities or NaN.
    double delta = b * b - (a * 4) * c;
    if (delta == 0.0) {
        printf("L'equation admet une solution double : x = %.2lf\n", -b / (a + a));
    } else if (delta > 0) {
        // x1 is the root taken with -sqrt(delta), whatever the sign of a.
        double x1 = (-b - sqrt(delta)) / (a + a);
        double x2 = (sqrt(delta) - b) / (a + a);
        printf("L'equation admet deux solutions reelles distinctes : x1 = %.2lf et x2 = %.2lf\n", x1, x2);
    } else {  // delta < 0 or NaN
        // The roots are r -/+ i sqrt(|d|), written "r - iv|d|" and "r + iv|d|".
        double r = -b / (a + a);
        double d = delta / ((a + a) * (a + a));
        printf("L'equation n'admet pas de solution reelle mais des solutions complexes.\n");
        printf("Les solutions complexes sont : x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|\n", r, d, r, d);
    }
    return 0;
}
