#!/bin/sh
# Configures the project again and again in one scratch build tree and checks
# the maintainer that the Debian changelog and package name: DEBFULLNAME and
# DEBEMAIL of the latest configure win over the value the cache kept, and only
# -DTAMBERLOX_MAINTAINER wins over them.
# Usage: maintainer.sh CMAKE GENERATOR SOURCE_DIR
set -u
cmake=$1 generator=$2 source=$3
build=$(mktemp -d) || exit 1
trap 'rm -rf "$build"' EXIT
failed=0

# expect WHAT MAINTAINER [CMAKE_ARGUMENT...]: configures with the environment
# as it stands and checks both places the maintainer goes.
expect() {
    what=$1 maintainer=$2
    shift 2
    "$cmake" -S "$source" -B "$build" -G "$generator" -DTAMBERLOX_TESTS=OFF "$@" >"$build/log" 2>&1 ||
        { cat "$build/log"; exit 1; }
    grep -qF -- " -- $maintainer  " "$build/deb/changelog" ||
        { echo "$what: changelog says $(grep '^ -- ' "$build/deb/changelog")"; failed=1; }
    grep -qF "set(CPACK_PACKAGE_CONTACT \"$maintainer\")" "$build/CPackConfig.cmake" ||
        { echo "$what: $(grep CPACK_PACKAGE_CONTACT "$build/CPackConfig.cmake")"; failed=1; }
}

unset DEBFULLNAME DEBEMAIL
expect "no environment" "tamberlox developers <tamberlox@tamberlox.invalid>"
export DEBFULLNAME="Ann Example" DEBEMAIL=ann@example.org
expect "environment after the placeholder" "Ann Example <ann@example.org>"
export DEBFULLNAME="Bob Example" DEBEMAIL=bob@example.org
expect "another environment" "Bob Example <bob@example.org>"
unset DEBFULLNAME DEBEMAIL
expect "environment gone" "Bob Example <bob@example.org>"
export DEBFULLNAME="Ann Example" DEBEMAIL=ann@example.org
expect "given with -D" "Cy Example <cy@example.org>" "-DTAMBERLOX_MAINTAINER=Cy Example <cy@example.org>"
expect "given before, environment now" "Cy Example <cy@example.org>"
expect "dropped with -U" "Ann Example <ann@example.org>" -UTAMBERLOX_MAINTAINER
exit "$failed"
