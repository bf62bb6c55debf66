#!/bin/sh
# Instruction counts (callgrind) of the gate on one C file with the c set's
# lists alone, with the set's rules of an earlier commit, and with its rules
# now: the cost of the rules, and of the branch rules among them.
#   c_branches_speed.sh GATE OLD_RULES_FILE FILE
# FILE: a large C file, e.g. 10 MB of a source tree pasted together:
#   find glibc-2.36 -name '*.c' | head -6000 | xargs cat | head -c 10000000 >c10.c
set -eu
gate=$1 old_rules=$2 file=$3
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/lists" "$work/old"
cp "$here"/examples/c/_tamberlox_opn.txt "$here"/examples/c/_tamberlox_cls.txt "$work/lists/"
cp "$work"/lists/* "$work/old/"
cp "$old_rules" "$work/old/_tamberlox_rules.txt"
for set in "$work/lists" "$work/old" "$here/examples/c"; do
    count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$gate" -j1 -q \
        --lists "$set" "$file" 2>&1 | sed -n 's/.*Collected : //p')
    printf '%s\t%s\n' "$count" "$set"
done
