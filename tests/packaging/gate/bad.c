int table[3] = {1, 2, 3};

int first(void)
{
    if (table[0] > 0) {
        return table[0];
    return 0;
}
