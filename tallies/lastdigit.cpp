#include "lastdigit.h"

void mise_a_jour(int counters[], int num) {
    // The truncating remainder is in -9..9, even for INT_MIN, whose absolute
    // value has no int.
    int reste = num % DIGITS;
    int chiffre = reste < 0 ? -reste : reste;
    // Past INT_MAX the counter wraps, as 32-bit arithmetic does, instead of
    // overflowing.
    counters[chiffre] = static_cast<int>(static_cast<unsigned>(counters[chiffre]) + 1U);
}
