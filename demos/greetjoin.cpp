// greetjoin: builds "Bonjour tout le monde" by concatenation in a fixed
// buffer and prints its length and the text.
#include <cstdio>
#include <cstring>

int main() {
    char message[100] = "Bonjour";  // the rest of the buffer is zero
    strcat(message, " tout le monde");
    printf("Message de longueur %zu : %s\n", strlen(message), message);
    return 0;
}
