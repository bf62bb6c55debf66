#!/bin/sh
# Builds the libFuzzer targets and runs them side by side for SECONDS each
# (default 60), starting from the seeds in fuzz/corpus/<target>. Inputs that
# reach new code are kept in fuzz/corpus-work/<target>. A finding stops its
# target, is saved under build/fuzz/findings/ and makes the script exit 1.
#   fuzz/run_fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
findings=$build/findings

if ! command -v clang++ >/dev/null 2>&1; then
    echo "run_fuzz: clang++ is needed (Debian: clang libclang-rt-14-dev)" >&2
    exit 2
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAMBERLOX_FUZZ=ON -DTAMBERLOX_TESTS=OFF -DTAMBERLOX_WERROR=ON >/dev/null
cmake --build "$build" --target fuzz_check fuzz_line_reader fuzz_gate_rules
mkdir -p "$findings"

# target and longest input. A report grows with the square of the nesting depth,
# so longer inputs to fuzz_check mostly cost time.
targets="fuzz_check:1024 fuzz_line_reader:1024 fuzz_gate_rules:1024"

for entry in $targets; do
    target=${entry%%:*}
    mkdir -p "fuzz/corpus-work/$target"
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len="${entry#*:}" -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "fuzz/corpus-work/$target" "fuzz/corpus/$target" >"$build/$target.log" 2>&1 &
    eval "pid_$target=\$!"
done

status=0
for entry in $targets; do
    target=${entry%%:*}
    if eval "wait \$pid_$target"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$target.log")
        echo "run_fuzz: $target: $runs runs in ${seconds}s, nothing found"
    else
        status=1
        echo "run_fuzz: $target FOUND A PROBLEM; log: $build/$target.log" >&2
        grep -E '^(mismatch|SUMMARY|==[0-9]+==ERROR)|Test unit written' "$build/$target.log" >&2 || true
    fi
done
exit "$status"
