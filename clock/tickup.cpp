// tickup: reads a time of day hh:mm:ss and prints the time one second later.
#include <cstdio>

#include "always_assert.h"
#include "clockwrap.h"

int main() {
    int heure, minute, seconde;
    printf("Veuillez entrer une heure sous la forme hh:mm:ss :\n");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    add_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir ajouté une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
