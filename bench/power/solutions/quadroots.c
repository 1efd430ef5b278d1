/* quadroots, as a learner writes it from the statement (the complex line
   with the real part and the scaled discriminant, as the reference). */
#include <assert.h>
#include <math.h>
#include <stdio.h>

int main(void)
{
    double a, b, c;
    printf("Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ");
    assert(scanf("%lf %lf %lf", &a, &b, &c) == 3);
    double delta = b * b - 4 * a * c;
    double deux_a = 2 * a;
    if (delta == 0) {
        printf("L'equation admet une solution double : x = %.2lf\n", -b / deux_a);
    } else if (delta > 0) {
        double racine = sqrt(delta);
        printf("L'equation admet deux solutions reelles distinctes : x1 = %.2lf et x2 = %.2lf\n",
               (-b - racine) / deux_a, (-b + racine) / deux_a);
    } else {
        double re = -b / deux_a;
        double d = delta / (deux_a * deux_a);
        printf("L'equation n'admet pas de solution reelle mais des solutions complexes.\n");
        printf("Les solutions complexes sont : x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|\n", re, d, re, d);
    }
    return 0;
}
