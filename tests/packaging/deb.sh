#!/bin/sh
# Builds the Debian package of a build tree in a scratch folder, checks that it
# holds the programs and the compressed manual pages under /usr, and runs
# lintian on it: no error and no warning may remain.
# Usage: deb.sh CPACK BUILD_DIR SOURCE_DIR PROGRAM...
set -u
cpack=$1 build=$2 source=$3
shift 3
for tool in dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

(umask 002 && "$cpack" -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/*.deb) || exit 1
failed=0
contents=$(dpkg-deb -c "$deb")
for program in "$@"; do
    echo "$contents" | grep -q " \./usr/bin/$program\$" || { echo "no /usr/bin/$program"; failed=1; }
done
for page in "$source"/docs/*.[1-9]; do
    name=${page##*/}
    echo "$contents" | grep -q " \./usr/share/man/man${name##*.}/$name.gz\$" ||
        { echo "no /usr/share/man/man${name##*.}/$name.gz"; failed=1; }
done
for set in c c-braces django html jinja latex latex-generic; do
    echo "$contents" | grep -q " \./usr/share/tamberlox/sets/$set/_tamberlox_rules.txt\$" ||
        { echo "no /usr/share/tamberlox/sets/$set"; failed=1; }
done
dpkg-deb -f "$deb" Description | grep -q 'tamberlox-gate' ||
    { echo "the description does not name tamberlox-gate"; failed=1; }
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./usr
# The packaged gate finds the packaged sets beside itself, by name.
sets=$(env -u TAMBERLOX_SETS "$work/usr/bin/tamberlox-gate" --list-sets | tr '\n' ' ')
[ "$sets" = "c c-braces django html jinja latex latex-generic " ] ||
    { echo "the packaged gate lists the sets '$sets'"; failed=1; }
if ! gzip -dc "$work"/usr/share/man/man1/tamberlox.1.gz | grep -q '^\.I /usr/share/doc/tamberlox/examples$'; then
    echo "tamberlox.1 does not name /usr/share/doc/tamberlox/examples"
    failed=1
fi
lintian --fail-on error,warning "$deb" || failed=1
exit "$failed"
