// quadroots in C++, with <cassert>: the prompt has no newline, and is lost
// from a pipe when the read assertion aborts.
#include <cassert>
#include <cmath>
#include <cstdio>

int main() {
    double a, b, c;
    std::printf("Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ");
    assert(scanf("%lf %lf %lf", &a, &b, &c) == 3);
    const double delta = b * b - (4 * a) * c;
    if (delta > 0) {
        const double r = std::sqrt(delta);
        std::printf("L'equation admet deux solutions reelles distinctes : x1 = %.2lf et x2 = %.2lf\n",
                    (-b - r) / (2 * a), (r - b) / (2 * a));
    } else if (delta == 0) {
        std::printf("L'equation admet une solution double : x = %.2lf\n", -b / (2 * a));
    } else {
        std::puts("L'equation n'admet pas de solution reelle mais des solutions complexes.");
        const double re = -b / (2 * a), d = delta / (4 * a * a);
        std::printf("Les solutions complexes sont : x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|\n", re, d, re, d);
    }
}
