/* greetjoin, as a learner writes it from the statement. */
#include <stdio.h>
#include <string.h>

int main(void)
{
    char message[100] = "Bonjour";
    strcat(message, " tout le monde");
    printf("Message de longueur %zu : %s\n", strlen(message), message);
    return 0;
}
