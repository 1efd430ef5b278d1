// tickdown: reads a time of day hh:mm:ss and prints the time one second
// earlier.
#include <cstdio>

#include "always_assert.h"
#include "clockback.h"

int main() {
    int heure, minute, seconde;
    puts("Veuillez entrer une heure sous la forme hh:mm:ss :");
    ALWAYS_ASSERT(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    sub_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir soustrait une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
