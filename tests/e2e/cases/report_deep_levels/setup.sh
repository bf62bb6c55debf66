# 1000 open names on line 1, 1000 close names on line 2: levels 0 to 999.
# Each occurrence at level L prints L + 1 in a field of 3 (wider from 1000 on),
# 4 * L + 2 blanks, the name and its line.
awk 'BEGIN {
    for (i = 0; i < 1000; i++) printf "{"
    printf "\n"
    for (i = 0; i < 1000; i++) printf "}"
    printf "\n"
}' >input
awk 'function occurrence(lvl, name, line,    blanks) {
    blanks = sprintf("%*s", 4 * lvl + 2, "")
    printf "%3d%s%s : %d\n", lvl + 1, blanks, name, line
}
BEGIN {
    print "***** TAG STRUCTURE *****"
    for (lvl = 0; lvl < 1000; lvl++) occurrence(lvl, "{", 1)
    for (lvl = 999; lvl >= 0; lvl--) occurrence(lvl, "}", 2)
    print ""
    print "***** TAG NUMBERS *****"
    print "     { (1000) - } (1000)"
    print ""
    print "Judged OK."
}' >"$E2E_EXPECTED/stdout"
