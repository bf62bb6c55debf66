#!/bin/bash
# Reads tamberlox-gate's gnu lines as editors read them: every error and
# warning line, those about a whole file too, must give vim's quickfix list and
# Emacs' compilation mode a file and a line to jump to, and match the patterns
# of VS Code's `$gcc` problem matcher (the C/C++ extension's, with and without
# an optional column). Each editor missing is left out; none at all skips.
#
# Usage: editor_places.sh GATE LISTS_DIR
set -u
gate=$(realpath -- "$1") lists=$(realpath -- "$2")

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf '<div>\n  <b>\n</div>\n</em>\n' >page.html
printf 'no names here\n' >plain.html
"$gate" --lists "$lists" page.html plain.html absent.html >out.txt
grep -E ': (error|warning): ' out.txt >findings.txt
findings=$(wc -l <findings.txt)
if [ "$findings" -lt 4 ]; then
    echo "FAIL: expected at least 4 findings, got:"
    cat out.txt
    exit 1
fi

failures=0 checked=0
# The lines an editor kept with a place, one a line, against the findings.
compare() {
    local editor=$1 kept=$2
    checked=$((checked + 1))
    if [ "$kept" != "$findings" ]; then
        echo "FAIL $editor: kept $kept of $findings error and warning lines with a place"
        cat out.txt
        failures=$((failures + 1))
    fi
}

for pattern in '^(.*):(\d+):(\d+):\s+(?:fatal\s+)?(warning|error):\s+(.*)$' \
    '^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$'; do
    compare "vscode \$gcc $pattern" "$(grep -cP "$pattern" findings.txt)"
done

if command -v vim >/dev/null; then
    vim -u NONE -N -es -c 'cgetfile findings.txt' \
        -c 'call writefile(map(filter(getqflist(), "v:val.valid && v:val.lnum > 0"), "v:val.lnum"), "vim.txt")' \
        -c 'qa!' </dev/null
    compare vim "$(wc -l <vim.txt)"
fi

if command -v emacs >/dev/null; then
    cat >kept.el <<'ELISP'
(require 'compile)
(with-temp-buffer
  (insert-file-contents "findings.txt")
  (compilation-mode)
  (compilation--ensure-parse (point-max))
  (goto-char (point-min))
  (let ((kept 0))
    (while (not (eobp))
      (let ((message (get-text-property (point) 'compilation-message)))
        (when (and message (compilation--loc->line (compilation--message->loc message)))
          (setq kept (1+ kept))))
      (forward-line 1))
    (princ (format "%d\n" kept))))
ELISP
    compare emacs "$(emacs --batch -Q -l kept.el 2>/dev/null)"
fi

if [ "$checked" -eq 2 ]; then
    echo "skipped: neither vim nor emacs found"
    exit 77
fi
echo "editors: $failures failed"
[ "$failures" -eq 0 ]
