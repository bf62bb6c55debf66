#!/bin/sh
# Pairing verdicts of three HTML checkers for each page named on standard input:
# prints "PATH<TAB>htmlhint<TAB>tidy<TAB>xmllint", each "ok" or "bad" (a pairing
# problem: unclosed, unexpected or mismatched end tags). Needs tidy, xmllint and
# htmlhint (HTMLHINT=path to its program, default htmlhint on PATH).
htmlhint=${HTMLHINT:-htmlhint}
list=$(mktemp) hint=$(mktemp)
trap 'rm -f "$list" "$hint"' EXIT
cat >"$list"
# htmlhint's tag-pair rule alone, all pages in one run: "path:line:col: message".
tr '\n' '\0' <"$list" | xargs -0 "$htmlhint" --rules tag-pair --format unix 2>/dev/null |
    grep -E '^/.*:[0-9]+:[0-9]+:' | sed -E 's/:[0-9]+:[0-9]+:.*//' | sort -u >"$hint"
while IFS= read -r page; do
    h=ok t=ok x=ok
    grep -qxF "$page" "$hint" && h=bad
    tidy -q -e "$page" 2>&1 | grep -qE 'missing </|discarding unexpected </|replacing unexpected|unexpected </' && t=bad
    xmllint --html --noout "$page" 2>&1 | grep -qE 'Opening and ending tag mismatch|Unexpected end tag' && x=bad
    printf '%s\t%s\t%s\t%s\n' "$page" "$h" "$t" "$x"
done <"$list"
