/* tickup, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

void add_1s(int *heure, int *minute, int *seconde)
{
    assert(*heure >= 0 && *heure <= 23);
    assert(*minute >= 0 && *minute <= 59);
    assert(*seconde >= 0 && *seconde <= 59);
    *seconde = *seconde + 1;
    if (*seconde == 60) {
        *seconde = 0;
        *minute = *minute + 1;
        if (*minute == 60) {
            *minute = 0;
            *heure = (*heure + 1) % 24;
        }
    }
}

int main(void)
{
    int heure, minute, seconde;
    printf("Veuillez entrer une heure sous la forme hh:mm:ss :\n");
    assert(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    add_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir ajouté une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
