#!/bin/bash
# Runs tamberlox-gate --format sarif on the html example set (good, bad,
# crossing, unreadable files, findings left out) and validates the document
# with the SARIF Multitool. The one warning allowed asks for the tool's
# informationUri, a web address the project does not have. Skips itself (77)
# where no multitool is installed: on PATH, or named by SARIF_MULTITOOL.
#
# Usage: sarif_validate.sh GATE LISTS_DIR
set -u
gate=$(realpath -- "$1") lists=$(realpath -- "$2")
tool=${SARIF_MULTITOOL:-$(command -v sarif-multitool)}
if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "skipped: no sarif-multitool (npm install @microsoft/sarif-multitool; set SARIF_MULTITOOL)"
    exit 77
fi

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cp "$lists"/_tamberlox_* "$work/"
cd "$work" || exit 1
printf '<ul>\n<li>one\n</ul>\n<p>\n' >bad.html
printf '<b><em>x</b></em>\n' >cross.html
printf '<p>ok</p>\n' >good.html
printf 'plain\n' >plain.html
mkdir "sub dir" && printf '<div><div><div>\n' >"sub dir/50% é.html"
"$gate" --format sarif --max-findings 2 bad.html cross.html good.html plain.html missing.html \
    "sub dir/50% é.html" >run.sarif
status=$?
if [ $status -ne 2 ]; then
    echo "tamberlox-gate exited $status, not 2"
    exit 1
fi
"$tool" validate run.sarif --output report.sarif >validate.log 2>&1
cat validate.log
problems=$(grep -E '(error|warning) [A-Z]+[0-9]+:' validate.log | grep -v 'warning SARIF2005:.*informationUri')
if [ -n "$problems" ] || ! grep -q 'Analysis completed successfully' validate.log; then
    echo "FAILED: the multitool found more than the missing informationUri:"
    printf '%s\n' "$problems"
    exit 1
fi
echo "valid SARIF ($("$tool" --version 2>&1 | head -1))"
