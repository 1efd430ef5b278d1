/* tickdown, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

void sub_1s(int *heure, int *minute, int *seconde)
{
    assert(*heure >= 0 && *heure <= 23);
    assert(*minute >= 0 && *minute <= 59);
    assert(*seconde >= 0 && *seconde <= 59);
    if (*seconde > 0) {
        *seconde -= 1;
        return;
    }
    *seconde = 59;
    if (*minute > 0) {
        *minute -= 1;
        return;
    }
    *minute = 59;
    if (*heure > 0)
        *heure -= 1;
    else
        *heure = 23;
}

int main(void)
{
    int heure, minute, seconde;
    printf("Veuillez entrer une heure sous la forme hh:mm:ss :\n");
    assert(scanf("%d:%d:%d", &heure, &minute, &seconde) == 3);
    sub_1s(&heure, &minute, &seconde);
    printf("\nL'heure après avoir soustrait une seconde est : %02d:%02d:%02d\n", heure, minute, seconde);
    return 0;
}
