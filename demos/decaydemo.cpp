// decaydemo: the size of a table where it is declared, and inside a function
// that receives it, where it is only a pointer.
#include <cstddef>
#include <cstdio>

#include "program.h"

std::size_t taille(const int *t) {
    return sizeof t;
}

constexpr int TABLE_LENGTH = 20;  // 20 ints: 80 bytes

constexpr char DESCRIPTION[] =
    "Affiche la taille d'une table de 80 octets dans main, puis dans une fonction\n"
    "qui la reçoit comme pointeur. Ne lit rien.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "decaydemo", DESCRIPTION, EXIT_STATUSES);
    int t[TABLE_LENGTH] = {};
    printf("taille de la variable t dans main : %zu\n", sizeof t);
    printf("taille de la variable t dans la fonction taille %zu\n", taille(t));
    return 0;
}
