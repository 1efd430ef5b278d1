/* dialtotal, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

int main(void)
{
    int h, m, s;
    printf("Veullez entrer une heure sous la forme hh:mm:ss :\n");
    assert(scanf("%d:%d:%d", &h, &m ,&s) == 3);
    assert(h >= 0 && h <= 23);
    assert(m >= 0 && m <= 59);
    assert(s >= 0 && s <= 59);
    int total = (h * 60 + m) * 60 + s;
    printf("Le nombre de secondes totales est : %d\n", total);
    return 0;
}
