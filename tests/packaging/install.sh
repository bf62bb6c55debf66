#!/bin/sh
# Installs the build into a scratch prefix and checks what lands there: the
# programs, each manual page compressed and filled in for that prefix (every
# path it names under the prefix exists), the license and release notes, and
# plain file modes.
# Usage: install.sh CMAKE BUILD_DIR SOURCE_DIR PROGRAM...
set -u
cmake=$1 build=$2 source=$3
shift 3
prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT
chmod 755 "$prefix"

(umask 002 && "$cmake" --install "$build" --prefix "$prefix" >/dev/null) || exit 1
failed=0
fail() { echo "$*"; failed=1; }
for program in "$@"; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
done
for page in "$source"/docs/*.[1-9]; do
    name=${page##*/}
    installed=$prefix/share/man/man${name##*.}/$name.gz
    [ -f "$installed" ] || { fail "share/man/man${name##*.}/$name.gz missing"; continue; }
    text=$(gzip -dc "$installed")
    case $text in *@*_*@* | *@PROJECT_VERSION@*) fail "$name: a path left unfilled" ;; esac
    for path in $(printf '%s\n' "$text" | grep -o "$prefix/[^ ]*" | sed 's/\\//g'); do
        # shellcheck disable=SC2086 # a glob in the page names files to match
        ls -d $path >/dev/null 2>&1 || fail "$name names $path, which the install lacks"
    done
done
gzip -dc "$prefix/share/man/man1/tamberlox.1.gz" 2>/dev/null | grep -q "^\.I $prefix/share/doc/tamberlox/examples\$" ||
    fail "tamberlox.1 does not name $prefix/share/doc/tamberlox/examples"
for doc in copyright changelog.gz examples/html/_tamberlox_opn.txt; do
    [ -f "$prefix/share/doc/tamberlox/$doc" ] || fail "share/doc/tamberlox/$doc missing"
done
[ -x "$prefix/share/doc/tamberlox/examples/ci/pre-commit" ] || fail "example scripts not executable"
hidden=$(find "$prefix/share/doc/tamberlox/examples" -name '.*')
[ -z "$hidden" ] || fail "hidden files among the examples: $hidden"
odd=$(find "$prefix" \( -type d ! -perm 755 \) -o \( -type f ! -perm 644 ! -perm 755 \))
[ -z "$odd" ] || fail "modes other than 0644 and 0755: $odd"
for set in c c-braces django html jinja latex latex-generic; do
    for list in opn cls rules; do
        [ -f "$prefix/share/tamberlox/sets/$set/_tamberlox_$list.txt" ] ||
            fail "share/tamberlox/sets/$set/_tamberlox_$list.txt missing"
    done
done
# The installed gate finds the installed sets beside itself, by name.
if [ -x "$prefix/bin/tamberlox-gate" ]; then
    sets=$(env -u TAMBERLOX_SETS "$prefix/bin/tamberlox-gate" --list-sets | tr '\n' ' ')
    [ "$sets" = "c c-braces django html jinja latex latex-generic " ] ||
        fail "installed gate lists the sets '$sets'"
    printf '<div><b>x</b></div>\n' >"$prefix/page.html"
    (cd "$prefix" && env -u TAMBERLOX_SETS bin/tamberlox-gate --lists html page.html) ||
        fail "installed gate fails page.html with --lists html"
    rm -f "$prefix/page.html"
fi
if [ "$failed" -eq 0 ]; then
    usage=$(cd "$prefix" && bin/tamberlox | head -n 2 | tail -n 1)
    [ "$usage" = "	bin/tamberlox FILENAME" ] || fail "installed checker: '$usage'"
fi
exit "$failed"
