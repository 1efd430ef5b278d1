// greetjoin: builds "Bonjour tout le monde" by concatenation in a fixed
// buffer and prints its length and the text.
#include <cstdio>
#include <cstring>

#include "program.h"

constexpr int BUFFER_SIZE = 100;

constexpr char DESCRIPTION[] =
    "Construit « Bonjour tout le monde » par concaténation dans un tampon fixe et\n"
    "affiche sa longueur et le texte. Ne lit rien.\n";

int main(int argc, char **argv) {
    start_program(argc, argv, "greetjoin", DESCRIPTION, EXIT_STATUSES);
    char message[BUFFER_SIZE] = "Bonjour";  // the rest of the buffer is zero
    // The concatenation is what the program shows; 22 bytes fit in 100.
    strcat(message, " tout le monde");  // NOLINT(clang-analyzer-security.insecureAPI.strcpy)
    printf("Message de longueur %zu : %s\n", strlen(message), message);
    return 0;
}
