#!/bin/sh
# Counts the files of a list that a set fails under tamberlox-gate, its rules
# read, and names them in OUT (one a line, sorted) when given.
#   failed_files.sh GATE SET FILES [OUT]
# GATE is a tamberlox-gate program, SET a set's folder, FILES a file of paths
# (one a line). Prints "FILES-COUNT FAILED-COUNT".
set -u
gate=$1 set=$2 files=$3 out=${4:-/dev/null}
tmp=$(mktemp)
"$gate" --quiet --lists "$set" --files-from="$files" 2>/dev/null |
    grep -E ':[0-9]+:[0-9]+: error: ' | sed -E 's/:[0-9]+:[0-9]+: error: .*//' | sort -u >"$tmp"
printf '%s %s\n' "$(wc -l <"$files")" "$(wc -l <"$tmp")"
cat "$tmp" >"$out"; rm -f "$tmp"
