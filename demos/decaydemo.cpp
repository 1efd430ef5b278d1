// decaydemo: the size of a table where it is declared, and inside a function
// that receives it, where it is only a pointer.
#include <cstddef>
#include <cstdio>

std::size_t taille(const int *t) {
    return sizeof t;
}

int main() {
    int t[20] = {};  // 80 bytes
    printf("taille de la variable t dans main : %zu\n", sizeof t);
    printf("taille de la variable t dans la fonction taille %zu\n", taille(t));
    return 0;
}
