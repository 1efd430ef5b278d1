/* ratioscale, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

int main(void)
{
    int p, q;
    float x, y;
    printf("Veuillez saisir deux entiers et deux reels :\n");
    assert(scanf("%d %d %f %f", &p, &q, &x, &y) == 4);
    float fp = p, fq = q;
    y = fp * x / fq;
    printf("Le resultat est : %.2f", y);
    return 0;
}
