#!/bin/sh
# Builds everything and runs every test: the release build (with lintian on its
# Debian package), a build without GoogleTest, the sanitizer build and short
# fuzz runs. Installs what it needs when run as root on Debian.
set -eu
cd "$(dirname "$0")/.."

install_missing() {
    missing=""
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing \
            || echo "check: could not install$missing; going on without" >&2
    else
        echo "check: missing$missing; going on without" >&2
    fi
}

install_missing cmake ninja-build g++ libgtest-dev lintian

cmake -S . -B build/check -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBERLOX_WERROR=ON
cmake --build build/check
ctest --test-dir build/check --output-on-failure -j 2

# Where GoogleTest is neither installed nor in source form, the programs still
# build, and configure says once that the unit tests are left out.
cmake -S . -B build/check-no-gtest -G Ninja -DTAMBERLOX_WERROR=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DTAMBERLOX_GTEST_SOURCE_DIR=/nonexistent >build/check-no-gtest.log
notes=$(grep -c 'GoogleTest not found' build/check-no-gtest.log || true)
[ "$notes" = 1 ] || { echo "check: expected one note on the missing GoogleTest, got $notes" >&2; exit 1; }
cmake --build build/check-no-gtest

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer; the
# end-to-end cases that limit memory skip themselves there.
cmake -S . -B build/check-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAMBERLOX_WERROR=ON -DTAMBERLOX_SANITIZE=ON
cmake --build build/check-sanitize
ctest --test-dir build/check-sanitize --output-on-failure -j 2

# A few seconds of each fuzz target: the checker against the plain reference.
install_missing clang libclang-rt-14-dev
if command -v clang++ >/dev/null 2>&1 && dpkg -s libclang-rt-14-dev >/dev/null 2>&1; then
    fuzz/run_fuzz.sh 10
else
    echo "check: clang with libclang-rt-14-dev could not be had; fuzz runs skipped" >&2
fi
