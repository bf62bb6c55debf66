#!/bin/sh
# Installs the build into a scratch prefix and checks the installed checker and
# manual page.
# Usage: install.sh CMAKE BUILD_DIR SOURCE_DIR
set -u
cmake=$1 build=$2 source=$3
prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || exit 1
failed=0
[ -x "$prefix/bin/tamberlox" ] || { echo "bin/tamberlox missing"; failed=1; }
cmp -s "$source/docs/tamberlox.1" "$prefix/share/man/man1/tamberlox.1" ||
    { echo "share/man/man1/tamberlox.1 missing or different"; failed=1; }
[ -x "$prefix/share/doc/tamberlox/examples/ci/pre-commit" ] ||
    { echo "examples/ci/pre-commit missing or not executable"; failed=1; }
if [ "$failed" -eq 0 ]; then
    usage=$(cd "$prefix" && bin/tamberlox | head -n 2 | tail -n 1)
    [ "$usage" = "	bin/tamberlox FILENAME" ] || { echo "installed checker: '$usage'"; failed=1; }
fi
exit "$failed"
