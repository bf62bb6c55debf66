#!/bin/bash
# The gate's findings read by vim's quickfix list and Emacs' compilation mode,
# as the manual's snippets set them up: each editor must land on the name, on
# lines with tabs and with UTF-8 characters of one and two columns. Skipped
# (77) when neither editor is installed.
# Usage: editors.sh GATE SETS_DIR
gate=$(realpath "$1")
sets=$(realpath "$2")
have_vim=$(command -v vim)
have_emacs=$(command -v emacs)
[ -n "$have_vim$have_emacs" ] || { echo "skipped: no vim, no emacs"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf '\t\t<div>\n<span>\303\251 \303\274</span> <b>\n\346\227\245\346\234\254 <i>\n' > t.html
# What the cursor must stand on, finding by finding.
expected='1:<div
2:<b>
3:<i>'
run_gate() {  # the findings alone, without their notes
    TAMBERLOX_SETS=$sets "$gate" --lists html "$@" t.html | grep -v ': note: '
}
failed=0
check() {  # editor, what it printed
    if [ "$2" != "$expected" ]; then
        echo "$1 lands elsewhere:"
        printf '%s\n' "$2"
        failed=1
    else
        echo "$1: each finding lands on its name"
    fi
}

if [ -n "$have_vim" ]; then
    run_gate > display.txt
    vim -u NONE -i NONE -es -N -c 'set encoding=utf-8' \
        -c 'set errorformat=%f:%l:%v:\ %t%*[^:]:\ %m,%f:\ %t%*[^:]:\ %m' -c 'cfile display.txt' \
        -c 'for i in [1, 2, 3] | exe "cc " . i |
              call writefile([line(".") . ":" . strpart(getline("."), col(".") - 1, 4)], "vim.out", "a") |
            endfor' -c 'qa!' >/dev/null 2>&1
    check "vim, %v, display columns" "$(cat vim.out 2>/dev/null)"
fi

if [ -n "$have_emacs" ]; then
    run_gate > display.txt
    run_gate --column-unit=char > char.txt
    cat > check.el <<'ELISP'
(require 'compile)
(defun landings (out screen-columns)
  (setq compilation-error-screen-columns screen-columns)
  (let ((buf (find-file-noselect out)) (lines nil))
    (with-current-buffer buf (compilation-mode))
    (dotimes (i 3)
      (set-buffer buf)
      (goto-char (point-min))
      (forward-line i)
      (compile-goto-error)
      (push (format "%d:%s" (line-number-at-pos)
                    (buffer-substring (point) (min (line-end-position) (+ (point) 4))))
            lines))
    (kill-buffer buf)
    (mapconcat #'identity (nreverse lines) "\n")))
(let ((display (landings "display.txt" t))
      (char (landings "char.txt" nil)))
  (with-temp-file "emacs-display.out" (insert display "\n"))
  (with-temp-file "emacs-char.out" (insert char "\n")))
ELISP
    emacs --batch -Q --eval '(set-language-environment "UTF-8")' -l check.el >/dev/null 2>&1
    check "emacs, screen columns, display columns" "$(cat emacs-display.out 2>/dev/null)"
    check "emacs, no screen columns, --column-unit=char" "$(cat emacs-char.out 2>/dev/null)"
fi
exit $failed
