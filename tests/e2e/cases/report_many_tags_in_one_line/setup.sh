# 3000 times "xaby" on one line: 6000 occurrences, the close name "ab" starting
# inside each open name and ending before it, listed in order of their starts.
awk 'BEGIN { for (i = 0; i < 3000; i++) printf "xaby"; printf "\n" }' >input
awk 'BEGIN {
    print "***** TAG STRUCTURE *****"
    for (i = 0; i < 3000; i++) { print "  1  xaby : 1"; print "  1  ab : 1" }
    print ""
    print "***** TAG NUMBERS *****"
    print "     xaby (3000) - ab (3000)"
    print ""
    print "Judged OK."
}' >"$E2E_EXPECTED/stdout"
