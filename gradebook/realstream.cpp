#include "realstream.h"

#include <cstdio>

void print_tab_double(const double tab[], std::size_t nb_val) {
    for (std::size_t i = 0; i < nb_val; ++i) printf("%.2lf ", tab[i]);
    printf("\n");
}

std::size_t scan_tab_double(double tab[], std::size_t capacity) {
    std::size_t count = 0;
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
