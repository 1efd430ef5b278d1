// pairrule: reads x and y and applies the rule: when x > 0 and y <= 1, x
// grows by one, y becomes 0 and z is 1; otherwise y doubles and x and z
// become 0. Prints x, y and z.
#include <cstdio>
#include <cstdlib>

int main() {
    int x, y, z;
    if (scanf("%d%d", &x, &y) != 2) {
        printf("Erreur : échec lors de la lecture des deux entiers\n");
        exit(1);
    }
    z = 1;
    // Past the int range both operations wrap around as 32-bit arithmetic
    // does: computed unsigned, converted back.
    if (x > 0 && y <= 1) {
        x = static_cast<int>(static_cast<unsigned>(x) + 1u);
        y = 0;
    } else {
        y = static_cast<int>(static_cast<unsigned>(y) * 2u);
        x = 0;
        z = 0;
    }
    printf("%d %d %d\n", x, y, z);
    return 0;
}
