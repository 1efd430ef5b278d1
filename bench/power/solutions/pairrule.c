/* pairrule, as a learner writes it from the statement. */
#include <stdio.h>
#include <stdlib.h>

int main(void)
{
    int x, y, z;
    if (scanf("%d%d", &x, &y) != 2) {
        printf("Erreur : échec lors de la lecture des deux entiers\n");
        exit(1);
    }
    if (x > 0 && y <= 1) {
        x = (int)((unsigned)x + 1u);
        y = 0;
        z = 1;
    } else {
        x = 0;
        y = (int)((unsigned)y * 2u);
        z = 0;
    }
    printf("%d %d %d\n", x, y, z);
    return 0;
}
