#!/bin/bash
# A repository of HTML, C and LaTeX files checked in one run with the shipped
# sets through a map file: by the folder, by its git file list, from a
# subfolder, and by the pre-commit hook on what is staged.
#
# Usage: repo.sh GATE HOOK SETS_DIR
set -u
command -v git >/dev/null || { echo "skipped: no git"; exit 77; }
gate=$(realpath -- "$1") hook=$(realpath -- "$2")
export TAMBERLOX_SETS=$(realpath -- "$3") TAMBERLOX_GATE=$gate

repo=$(mktemp -d) || exit 1
trap 'rm -rf "$repo"' EXIT
cd "$repo" && git init -q . || exit 1
git config user.email test@example.invalid && git config user.name test
mkdir -p site/news src/lib thesis vendor
cat >_tamberlox_map.txt <<'MAP'
# each kind of file with its shipped set
*.html          html
src/**/*.[ch]   c
thesis/*.tex    latex
vendor/**       -
MAP
printf '<main><article><p>text</article></main>\n' >site/index.html
printf '<div><b>bold</div>\n' >site/news/today.html
printf 'int f(int x) { return (x + 1; }\n' >src/lib/f.c
printf 'struct s { int a[2]; };\n' >src/lib/s.h
printf '\\begin{document}\n%% \\begin{itemize} in a comment\n\\end{document}\n' >thesis/main.tex
printf '<div>\n' >vendor/lib.html
printf 'print("{")\n' >src/tool.py
git add . && git commit -qm start || exit 1

expected='site/news/today.html:1:6: error: '"'"'<b'"'"' is never closed
site/news/today.html:1:13: note: the enclosing '"'"'<div'"'"' closes here
src/lib/f.c:1:23: error: '"'"'('"'"' is never closed
src/lib/f.c:1:31: note: the enclosing '"'"'{'"'"' closes here'

failures=0
# expect NAME STATUS OUTPUT COMMAND...: the command's status and combined output.
expect() {
    local name=$1 status=$2 output=$3
    shift 3
    local actual
    actual=$("$@" 2>&1)
    local got=$?
    if [ "$got" -ne "$status" ] || [ "$actual" != "$output" ]; then
        echo "FAIL $name: status $got (expected $status), output:"
        echo "$actual"
        failures=$((failures + 1))
    fi
}

expect folder 1 "$expected" "$gate" .
expect git_files 1 "$expected" "$gate" $(git ls-files)
expect files_from 1 "$expected" sh -c 'git ls-files | "$0" --files-from -' "$gate"
page=${expected%%$'\n'src/*}
expect subfolder 1 "${page//site\/news\//}" sh -c 'cd site/news && "$0" today.html' "$gate"
expect stdin 1 "$page" \
    sh -c '"$0" --stdin-filename site/news/today.html - <site/news/today.html' "$gate"

# The hook judges what is staged, each file with its set.
expect hook_nothing_staged 0 "" sh "$hook"
printf 'int g(void) { return 0; }\n' >src/lib/g.c
printf '\\begin{itemize}\n' >thesis/draft.tex
git add src/lib/g.c thesis/draft.tex
expect hook_tex_staged 1 "thesis/draft.tex:1:1: error: '\\begin{itemize}' is never closed
pre-commit: tamberlox-gate found nesting errors (see above); commit refused." sh "$hook"
printf '\\begin{itemize}\n\\end{itemize}\n' >thesis/draft.tex && git add thesis/draft.tex
printf '<div>\n' >vendor/more.html && git add vendor/more.html
expect hook_fixed_and_vendor_left_out 0 "" sh "$hook"

echo "repo: $failures failed"
[ "$failures" -eq 0 ]
