#!/bin/sh
# Every manual page, as filled in at configure time, must format without a
# single groff warning.
# Usage: man_lint.sh MAN_PAGE...
command -v groff >/dev/null || { echo "skipped: no groff"; exit 77; }
failed=0
for page in "$@"; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] && continue
    echo "$page: $warnings"
    failed=1
done
exit "$failed"
