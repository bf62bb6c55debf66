# Far more findings than a pipe holds.
head -c 200000 /dev/zero | tr '\0' '{' > input
