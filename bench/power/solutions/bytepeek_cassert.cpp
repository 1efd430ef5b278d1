// bytepeek in C++, with <cassert>.
#include <cassert>
#include <cstdio>

int main() {
    int t[20];
    alignas(long) char tc[8];
    assert(scanf("%d", t) == 1);
    std::printf("valeur saisie : %d\n", t[0]);
    assert(scanf("%ld", (long *) tc) == 1);
    std::printf("valeur saisie : %ld\n", *reinterpret_cast<long *>(tc));
    std::printf("valeur saisie : %c%c%c%c%c%c\n", tc[0], tc[1], tc[2], tc[3], tc[4], tc[5]);
    std::printf("valeur saisie : %c\n", tc[0]);
}
