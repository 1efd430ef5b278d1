#include "realstream.h"

#include <cstdio>

void print_tab_double(const double tab[], size_t nb_val) {
    for (size_t i = 0; i < nb_val; ++i) printf("%.2lf ", tab[i]);
    printf("\n");
}

size_t scan_tab_double(double tab[], size_t capacity) {
    size_t count = 0;
    for (;;) {
        double value;
        if (scanf("%lf", &value) != 1) {
            fgetc(stdin);  // the terminator; nothing at end of input
            return count;
        }
        if (count == capacity) return SCAN_OVERFLOW;
        tab[count++] = value;
    }
}
