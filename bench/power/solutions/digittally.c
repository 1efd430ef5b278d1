/* digittally, as a learner writes it from the statement. */
#include <stdio.h>

void mise_a_jour(int compte[], int num)
{
    int chiffre = num % 10;
    if (chiffre < 0)
        chiffre = -chiffre;
    compte[chiffre]++;
}

int main(void)
{
    int compte[10] = {0};
    int num;
    while (scanf("%d", &num) == 1)
        mise_a_jour(compte, num);
    printf("Vous avez saisi :\n");
    for (int i = 0; i < 10; i++)
        if (compte[i] != 0)
            printf("%d nombre%s se terminant par %d\n", compte[i], compte[i] > 1 ? "s" : "", i);
    return 0;
}
