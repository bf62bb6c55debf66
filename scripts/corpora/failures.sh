#!/bin/sh
# Names the files of a list that a list set fails, one a line, sorted.
#   failures.sh gate GATE LISTS_DIR <FILES        tamberlox-gate (the lists alone)
#   failures.sh rules REFERENCE LISTS_DIR <FILES  tamberlox_rules_reference (lists
#                                                 and their rules file)
# FILES holds paths, one a line, without ':' or tabs in them.
set -u
how=$1 program=$2 lists=$3
case $how in
gate)
    "$program" --quiet --lists "$lists" - | grep -E ': (error|warning): ' |
        sed -E 's/(:[0-9]+){0,2}: (error|warning): .*//' | sort -u ;;
rules)
    tr '\n' '\0' | xargs -0 "$program" "$lists" | awk -F '\t' '$2 == "FAIL" { print $1 }' |
        sort -u ;;
*) echo "usage: failures.sh gate|rules PROGRAM LISTS_DIR <FILES" >&2; exit 2 ;;
esac
exit 0
