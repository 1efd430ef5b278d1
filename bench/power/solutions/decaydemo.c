/* decaydemo, as a learner writes it from the statement. */
#include <stdio.h>

size_t taille(double t[])
{
    return sizeof t;
}

int main(void)
{
    double t[10];
    printf("taille de la variable t dans main : %zu\n", sizeof t);
    printf("taille de la variable t dans la fonction taille %zu\n", taille(t));
    return 0;
}
