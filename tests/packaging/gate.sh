#!/bin/bash
# Runs tamberlox-gate on the c example lists with good, bad and missing
# files and checks its exit status, standard output (byte for byte) and
# standard error.
#
# Usage: gate.sh GATE LISTS_DIR DATA_DIR
set -u
gate=$(realpath -- "$1") lists=$(realpath -- "$2") data=$(realpath -- "$3")

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/nolists"
cp "$lists"/_tamberlox_opn.txt "$lists"/_tamberlox_cls.txt "$data"/good.c "$data"/bad.c "$work/run/"
cp "$data"/good.c "$work/nolists/"
: >"$work/empty"
printf '%s\n' "absent.c:1:1: error: can't open: No such file or directory" >"$work/absent"
cat "$data/bad.stdout" "$work/absent" >"$work/bad_and_absent"

failures=0
# expect NAME DIR STATUS STDOUT_FILE STDERR_TEXT -- COMMAND...
expect() {
    local name=$1 dir=$2 status=$3 stdout=$4 stderr=$5
    shift 6
    (cd "$work/$dir" && "$@") >"$work/stdout" 2>"$work/stderr" </dev/null
    local actual=$?
    local problems=""
    [ "$actual" -eq "$status" ] || problems+=" status $actual (expected $status);"
    cmp -s "$stdout" "$work/stdout" || problems+=" standard output differs;"
    [ "$(cat "$work/stderr")" = "$stderr" ] || problems+=" standard error: '$(cat "$work/stderr")';"
    if [ -n "$problems" ]; then
        echo "FAIL $name:$problems"
        diff "$stdout" "$work/stdout" | head -n 20
        failures=$((failures + 1))
    fi
}

empty=$work/empty
bad=$data/bad.stdout
expect good_file run 0 "$empty" "" -- "$gate" good.c
expect bad_file run 1 "$bad" "" -- "$gate" bad.c
expect only_bad_reported run 1 "$bad" "" -- "$gate" --jobs 2 good.c bad.c good.c
expect lists_elsewhere nolists 0 "$empty" "" -- "$gate" --lists "$lists" good.c
expect missing_list_file nolists 2 "$empty" "tamberlox-gate: no _tamberlox_map.txt and no _tamberlox_opn.txt in $(cd "$work/nolists" && pwd -P) or a parent up to /; name a set with --lists=DIR or --lists=NAME (--list-sets names the installed ones)." \
    -- "$gate" good.c
expect missing_checked_file run 2 "$work/absent" "" -- "$gate" absent.c good.c
expect unreadable_beats_bad_verdict run 2 "$work/bad_and_absent" "" -- "$gate" bad.c absent.c

echo "gate: $failures failed"
[ "$failures" -eq 0 ]
