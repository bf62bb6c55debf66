#!/bin/sh
# Checks the sample of one example set with that set's list files, run from
# inside the set's folder as a user would, and compares the report byte for
# byte with the expected one. Standard error must stay empty: a list that
# broke the prefix rule would print its collision message there.
#
# With a FILTER (a sed -E script), the sample goes through sed on its way in,
# as the set's README tells.
#
# Usage: check_example.sh CHECKER EXAMPLE_DIR EXPECTED_REPORT [FILTER]
set -u
checker=$1 example_dir=$2 expected=$3 filter=${4-}

sample=$(sh "${0%/*}/example_sample.sh" "$example_dir") || exit 1

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
if [ -n "$filter" ]; then
    (cd "$example_dir" && sed -E "$filter" "$sample" | "$checker" /dev/stdin)
else
    (cd "$example_dir" && "$checker" "$sample")
fi >"$work/stdout" 2>"$work/stderr"
status=$?

failed=0
[ "$status" -eq 0 ] || { echo "exit status $status, expected 0"; failed=1; }
[ -s "$work/stderr" ] && { echo "unexpected standard error:"; cat "$work/stderr"; failed=1; }
if ! cmp -s "$expected" "$work/stdout"; then
    echo "report of $sample differs (expected < > actual):"
    diff "$expected" "$work/stdout" | head -n 40
    failed=1
fi
exit "$failed"
