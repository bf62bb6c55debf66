#!/bin/sh
# The manual page must format without a single groff warning.
# Usage: man_lint.sh MAN_PAGE
command -v groff >/dev/null || { echo "skipped: no groff"; exit 77; }
warnings=$(groff -man -ww -z "$1" 2>&1)
[ -z "$warnings" ] && exit 0
echo "$warnings"
exit 1
