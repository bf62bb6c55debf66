#!/bin/bash
# Runs examples/ci/pre-commit in a scratch git repository and checks that it
# judges the staged content of the chosen files only.
#
# Usage: hook.sh GATE HOOK LISTS_DIR DATA_DIR
set -u
command -v git >/dev/null || { echo "skipped: no git"; exit 77; }
export TAMBERLOX_GATE=$(realpath -- "$1")
hook=$(realpath -- "$2") lists=$3 data=$(realpath -- "$4")

repo=$(mktemp -d) || exit 1
trap 'rm -rf "$repo"' EXIT
cp "$lists"/_tamberlox_opn.txt "$lists"/_tamberlox_cls.txt "$lists"/_tamberlox_rules.txt "$repo/"
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
expect bad_page_staged_fixed_unstaged 1 "site/page.html:3:11: error: "*"commit refused."

git add site/page.html && cp "$data/bad.html" notes.txt && git add notes.txt
expect unchecked_kind_ignored 0 ""

cp "$data/good.html" index.htm && git add index.htm
TAMBERLOX_GATE=$repo/none expect gate_missing 1 *"could not check"*

mkdir conf && mv _tamberlox_opn.txt _tamberlox_cls.txt _tamberlox_rules.txt conf/
TAMBERLOX_LISTS=conf expect lists_elsewhere 0 ""

echo "hook: $failures failed"
[ "$failures" -eq 0 ]
