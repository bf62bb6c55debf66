#include <stdio.h>
#include <string.h>

/* Counts the words of each line read from standard input. */
static size_t count_words(const char *line)
{
    size_t words = 0;
    int in_word = 0;
    for (size_t i = 0; line[i] != '\0'; i++) {
        if (strchr(" \t\n", line[i]) != NULL) {
            in_word = 0;
        } else if (!in_word) {
            in_word = 1;
            words++;
        }
    }
    return words;
}

int main(void)
{
    char line[256];
    unsigned long number = 0;
    while (fgets(line, sizeof line, stdin) != NULL) {
        number++;
        printf("%lu: %zu\n", number, count_words(line));
    }
    return 0;
}
