#!/usr/bin/env bash
# Runs one end-to-end case: tamberlox in a fresh temporary directory, its
# standard output, standard error and exit status compared byte for byte with
# the case's expected ones. The case folder format is in README.md next to this.
#
# Usage: run_case.sh BINARY CASE_DIR
# Exit status: 0 pass, 1 mismatch or broken case, 77 skipped.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY CASE_DIR" >&2
    exit 1
fi
binary=$(realpath -- "$1") || exit 1
case_dir=$(realpath -- "$2") || exit 1

# An address-sanitized binary reserves terabytes of address space and cannot
# start under the memory limits some cases set.
if [ -f "$case_dir/run.sh" ] && grep -q 'ulimit -v' "$case_dir/run.sh" &&
    grep -q -a '__asan_init' "$binary"; then
    echo "skipped: memory limits do not work with an address-sanitized binary"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tamberlox_e2e.XXXXXX") || exit 1
trap 'rm -rf -- "$work"' EXIT
run_dir=$work/run
actual=$work/actual
expected=$work/expected
mkdir "$run_dir" "$actual" "$expected"

copy_if_present() {
    if [ -e "$case_dir/$1" ]; then cp -- "$case_dir/$1" "$2"; fi
}
copy_if_present opn "$run_dir/_tamberlox_opn.txt"
copy_if_present cls "$run_dir/_tamberlox_cls.txt"
copy_if_present input "$run_dir/input"

# Expected results; setup.sh may generate them into $E2E_EXPECTED instead.
: >"$expected/stdout"
: >"$expected/stderr"
echo 0 >"$expected/status"
copy_if_present stdout "$expected/stdout"
copy_if_present stderr "$expected/stderr"
copy_if_present status "$expected/status"

if [ -f "$case_dir/args" ]; then
    mapfile -t args <"$case_dir/args"
else
    args=(input)
fi

if [ -f "$case_dir/setup.sh" ]; then
    if ! (cd "$run_dir" && E2E_EXPECTED=$expected bash "$case_dir/setup.sh"); then
        echo "setup.sh failed" >&2
        exit 1
    fi
fi

# A runaway report stops at 100 MiB instead of filling the disk.
if [ -f "$case_dir/run.sh" ]; then
    (cd "$run_dir" && ulimit -f 102400 && exec bash "$case_dir/run.sh" "$binary") \
        </dev/null >"$actual/stdout" 2>"$actual/stderr"
else
    (cd "$run_dir" && ulimit -f 102400 && exec -a tamberlox "$binary" "${args[@]}") \
        </dev/null >"$actual/stdout" 2>"$actual/stderr"
fi
echo $? >"$actual/status"

# Shows where two files differ, control characters made visible.
show_difference() {
    echo "--- $1 differs (expected < > actual):"
    diff <(cat -A "$expected/$1") <(cat -A "$actual/$1") | head -n 40
    echo "--- sizes: expected $(wc -c <"$expected/$1"), actual $(wc -c <"$actual/$1") bytes"
}

failed=0
for stream in stdout stderr; do
    if ! cmp -s "$expected/$stream" "$actual/$stream"; then
        show_difference "$stream"
        failed=1
    fi
done
if [ "$(<"$expected/status")" != "$(<"$actual/status")" ]; then
    echo "--- status: expected $(<"$expected/status"), actual $(<"$actual/status")"
    failed=1
fi
exit $failed
