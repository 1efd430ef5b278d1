// tickup in C++, with <cassert>: its diagnostics name "void add_1s(int*,
// int*, int*)" and "int main()".
#include <cassert>
#include <cstdio>

namespace {
constexpr int jour = 24, heure_min = 60;
}

void add_1s(int *heure, int *minute, int *seconde) {
    assert(*heure >= 0 && *heure <= 23);
    assert(*minute >= 0 && *minute <= 59);
    assert(*seconde >= 0 && *seconde <= 59);
    int total = (*heure * heure_min + *minute) * 60 + *seconde + 1;
    *seconde = total % 60;
    *minute = total / 60 % heure_min;
    *heure = total / 3600 % jour;
}

int main() {
    int heure, minute, seconde;
    std::fputs("Veuillez entrer une heure sous la forme hh:mm:ss :\n", stdout);
    assert(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    add_1s(&heure, &minute, &seconde);
    std::printf("\nL'heure après avoir ajouté une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
}
