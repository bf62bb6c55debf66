#!/bin/sh
# Checks an example set that only the rules make usable: its sample, read through
# the set's rules file by the rules reference, must give the expected kept names
# and verdict; tamberlox, which reads the lists alone, must refuse them cleanly
# (exit status 1, the collision message, nothing on standard output), or, where
# EXPECTED_ERROR is '-', read them and report (nothing on standard error).
#
# Usage: check_rules_example.sh CHECKER REFERENCE EXAMPLE_DIR EXPECTED_KEPT EXPECTED_ERROR
set -u
checker=$1 reference=$2 example_dir=$3 expected=$4 expected_error=$5

sample=$(sh "${0%/*}/example_sample.sh" "$example_dir") || exit 1

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
(cd "$example_dir" && "$reference" -v . "$sample") >"$work/kept" 2>&1 ||
    { echo "the rules reference fails $sample"; failed=1; }
if ! cmp -s "$expected" "$work/kept"; then
    echo "kept names of $sample differ (expected < > actual):"
    diff "$expected" "$work/kept" | head -n 40
    failed=1
fi

(cd "$example_dir" && "$checker" "$sample") >"$work/stdout" 2>"$work/stderr"
status=$?
if [ "$expected_error" = - ]; then
    [ "$status" -le 1 ] && [ -s "$work/stdout" ] && [ ! -s "$work/stderr" ] ||
        { echo "tamberlox: exit status $status, no report or an error"; failed=1; }
    exit "$failed"
fi
[ "$status" -eq 1 ] || { echo "tamberlox: exit status $status, expected 1"; failed=1; }
[ -s "$work/stdout" ] && { echo "tamberlox printed a report"; failed=1; }
printf '%s\n' "$expected_error" | cmp -s - "$work/stderr" ||
    { echo "tamberlox: unexpected standard error:"; cat "$work/stderr"; failed=1; }
exit "$failed"
