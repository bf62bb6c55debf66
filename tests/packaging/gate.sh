#!/bin/bash
# Runs examples/ci/tamberlox-gate on good, bad and unreadable input and checks
# its exit status, standard output (byte for byte) and standard error.
#
# Usage: gate.sh CHECKER GATE LISTS_DIR DATA_DIR
set -u
checker=$(realpath -- "$1") gate=$(realpath -- "$2") lists=$3 data=$(realpath -- "$4")

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/bin" "$work/nolists"
cp "$lists"/_tamberlox_opn.txt "$lists"/_tamberlox_cls.txt "$data"/good.c "$data"/bad.c "$work/run/"
cp "$data"/good.c "$work/nolists/"
ln -s "$checker" "$work/bin/tamberlox"
: >"$work/empty"

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

usage="usage: tamberlox-gate FILE..."
empty=$work/empty
bad=$data/bad.stdout
export TAMBERLOX=$checker
expect good_file run 0 "$empty" "" -- "$gate" good.c
expect bad_file run 1 "$bad" "" -- "$gate" bad.c
expect only_bad_reported run 1 "$bad" "" -- "$gate" good.c bad.c good.c
expect missing_list_file nolists 2 "$empty" "ERROR : can't open _tamberlox_opn.txt." -- "$gate" good.c
expect missing_checked_file run 2 "$empty" "ERROR : can't open absent.c." -- "$gate" absent.c good.c
expect checker_error_beats_bad_verdict run 2 "$bad" "ERROR : can't open absent.c." \
    -- "$gate" bad.c absent.c
expect no_argument run 2 "$empty" "$usage" -- "$gate"
expect checker_not_found run 2 "$empty" "tamberlox-gate: checker not found: $work/none" \
    -- env TAMBERLOX="$work/none" "$gate" good.c
expect checker_from_path run 1 "$bad" "" \
    -- env -u TAMBERLOX PATH="$work/bin:/usr/bin:/bin" "$gate" bad.c

echo "gate: $failures failed"
[ "$failures" -eq 0 ]
