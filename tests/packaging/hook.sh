#!/bin/bash
# Runs examples/ci/pre-commit in a scratch git repository and checks that it
# judges the staged content of the chosen files only.
#
# Usage: hook.sh CHECKER GATE HOOK LISTS_DIR DATA_DIR
set -u
command -v git >/dev/null || { echo "skipped: no git"; exit 77; }
export TAMBERLOX=$(realpath -- "$1") TAMBERLOX_GATE=$(realpath -- "$2")
hook=$(realpath -- "$3") lists=$4 data=$(realpath -- "$5")

repo=$(mktemp -d) || exit 1
trap 'rm -rf "$repo"' EXIT
cp "$lists"/_tamberlox_opn.txt "$lists"/_tamberlox_cls.txt "$repo/"
cd "$repo" && git init -q . || exit 1
mkdir site

failures=0
# expect NAME STATUS OUTPUT_PATTERN: runs the hook, checks its status and that
# its combined output matches the pattern.
expect() {
    local output
    output=$(sh "$hook" 2>&1)
    local status=$?
    # shellcheck disable=SC2053
    if [ "$status" -ne "$2" ] || [[ $output != $3 ]]; then
        echo "FAIL $1: status $status (expected $2), output:"
        echo "$output"
        failures=$((failures + 1))
    fi
}

expect nothing_staged 0 ""

cp "$data/good.html" site/page.html && git add site/page.html
expect good_page_staged 0 ""

cp "$data/bad.html" site/page.html && git add site/page.html
cp "$data/good.html" site/page.html
expect bad_page_staged_fixed_unstaged 1 "=== site/page.html"*"Errors may exist."*"commit refused."

git add site/page.html && cp "$data/bad.html" notes.txt && git add notes.txt
expect unchecked_kind_ignored 0 ""

cp "$data/good.html" index.htm && git add index.htm
TAMBERLOX_GATE=$repo/none expect gate_missing 1 *"could not check"*

echo "hook: $failures failed"
[ "$failures" -eq 0 ]
