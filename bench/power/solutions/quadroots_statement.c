/* quadroots following the statement's letter: the complex line filled
   with b, delta, b, delta. */
#include <assert.h>
#include <math.h>
#include <stdio.h>

int main(void)
{
    double a, b, c;
    printf("Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ");
    assert(scanf("%lf %lf %lf", &a, &b, &c) == 3);
    double delta = b * b - 4 * a * c;
    if (delta == 0) {
        printf("L'equation admet une solution double : x = %.2lf\n", -b / (2 * a));
    } else if (delta > 0) {
        printf("L'equation admet deux solutions reelles distinctes : x1 = %.2lf et x2 = %.2lf\n",
               (-b - sqrt(delta)) / (2 * a), (-b + sqrt(delta)) / (2 * a));
    } else {
        printf("L'equation n'admet pas de solution reelle mais des solutions complexes.\n");
        printf("Les solutions complexes sont : x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|\n", b, delta, b, delta);
    }
    return 0;
}
