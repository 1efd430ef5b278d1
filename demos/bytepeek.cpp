// bytepeek: reads an int into the first element of a table and a 64-bit
// integer into an 8-byte character array, then prints both back, the second
// also as its first six raw bytes in memory order (zero bytes included).
#include <cstdio>
#include <cstring>

#include "always_assert.h"
#include "program.h"

constexpr int TABLE_LENGTH = 20;  // only the first element is used

constexpr char DESCRIPTION[] =
    "Lit un entier et un entier de 64 bits sur l'entrée standard et les réaffiche,\n"
    "le second aussi par ses six premiers octets bruts, dans l'ordre de la mémoire.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "bytepeek", DESCRIPTION, EXIT_STATUSES_OR_ASSERTION);
    int t[TABLE_LENGTH];
    // scanf stores a long through the array's address: it must be aligned
    // as a long.
    alignas(long) char tc[sizeof(long)];

    ALWAYS_ASSERT(scanf("%d", t) == 1);
    printf("valeur saisie : %d\n", t[0]);

    // The condition reads as its diagnostic prints it, C-style cast included.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
    // cppcheck-suppress cstyleCast
    ALWAYS_ASSERT(scanf("%ld", (long *) tc) == 1);
#pragma GCC diagnostic pop
    long valeur;
    std::memcpy(&valeur, tc, sizeof valeur);
    printf("valeur saisie : %ld\n", valeur);
    printf("valeur saisie : %c%c%c%c%c%c\n", tc[0], tc[1], tc[2], tc[3], tc[4],
           tc[5]);  // NOLINT(readability-magic-numbers): the sixth byte
    printf("valeur saisie : %c\n", tc[0]);
    return 0;
}
