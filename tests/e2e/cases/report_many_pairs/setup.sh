# 30000 pairs: pair j is "o" and "c", each followed by j written in three digits
# of base 64. The digits are "0"-"9", "A"-"V" and the bytes 0xE0 to 0xFF, so that
# names differ in bytes on both sides of 0x80: pair 0 is o000/c000, pair 2113 is
# "o0" 0xE1 "1", pair 29999 is "o7K" 0xEF.
export LC_ALL=C
high=$(printf "$(printf '\\%03o' {224..255})")
awk -v digits="0123456789ABCDEFGHIJKLMNOPQRSTUV$high" 'BEGIN {
    for (j = 0; j < 30000; j++) {
        code = substr(digits, int(j / 4096) + 1, 1) substr(digits, int(j / 64) % 64 + 1, 1) \
               substr(digits, j % 64 + 1, 1)
        print "o" code >"_tamberlox_opn.txt"
        print "c" code >"_tamberlox_cls.txt"
    }
}'
printf 'o7K\xef o000 c000 c7K\xef o0\xe11 c0\xe11 o7K c7K\n' >input
