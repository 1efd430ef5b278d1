/* dialshow, as a learner writes it from the statement. */
#include <assert.h>
#include <stdio.h>

int main(void)
{
    int d;
    printf("Veuillez saisir une valeur entiere :\n");
    assert(scanf("%d", &d) == 1 && d >= 0);
    int h = d / 3600;
    int reste = d - h * 3600;
    printf("%02d : %02d : %02d \n", h, reste / 60, reste % 60);
    return 0;
}
