#include "machine_nan.h"

#include <cstdio>

std::string invalid_operation_nan() {
    // Divided at run time, as in the programs, not folded by the compiler.
    volatile double zero = 0.0;
    char text[8];
    std::snprintf(text, sizeof text, "%.2f", zero / zero);
    return text;
}
