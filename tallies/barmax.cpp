// barmax: reads integers separated by "|" and prints the largest. Only the
// first integer of each field counts; a field that does not begin with an
// integer ends the list.
#include <climits>
#include <cstdio>

int main() {
    int maximum = INT_MIN;
    bool lu = false;  // the starting value must never win over a value read
    for (;;) {
        int n;
        if (scanf(" %d", &n) != 1) {
            if (lu)
                break;
            fprintf(stderr, "Erreur: aucun entier valide lu\n");
            return 1;
        }
        // Drops the rest of the field.
        int c;
        do
            c = getc(stdin);
        while (c != '|' && c != EOF);
        if (!lu || n > maximum)
            maximum = n;
        lu = true;
        if (c == EOF)
            break;
    }
    printf("%d\n", maximum);
    return 0;
}
