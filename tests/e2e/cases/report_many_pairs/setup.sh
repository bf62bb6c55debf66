# 30000 pairs: pair j is "o" and "c", each followed by j written in three digits
# of base 64 ("0-9A-Za-z-_"), so pair 0 is o000/c000 and pair 29999 is o7Kl/c7Kl.
awk 'BEGIN {
    digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-_"
    for (j = 0; j < 30000; j++) {
        code = substr(digits, int(j / 4096) + 1, 1) substr(digits, int(j / 64) % 64 + 1, 1) \
               substr(digits, j % 64 + 1, 1)
        print "o" code >"_tamberlox_opn.txt"
        print "c" code >"_tamberlox_cls.txt"
    }
}'
printf 'o7Kl o000 c000 c7Kl o7K c7K\n' >input
