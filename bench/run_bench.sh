#!/bin/bash
# Makes the benchmark corpora (bench/corpus/) and times tamberlox on them against
# itself on one thread (TAMBERLOX_THREADS=1), grep -F, cat and the reference
# checker; prints one table (also written to bench/results/table.md). Builds nothing: point it at the binaries, or build
# them in build-bench first:
#   cmake -S . -B build-bench -G Ninja -DTAMBERLOX_BENCH=ON -DTAMBERLOX_STATIC=ON && cmake --build build-bench
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

usage() {
    cat <<USAGE
usage: bench/run_bench.sh [--size-mb N] [--runs R] [--only NAME,...] [--build DIR]
                          [--tamberlox PATH] [--reference PATH] [--read-lines PATH]
                          [--before PATH] [--gigabyte]
  --size-mb N     size of each corpus in MB (default 20)
  --gigabyte      the 1 GB run: markup, prose and random_names at 1,000 MB, 3 runs,
                  in bench/corpus-1gb and bench/results-1gb (about 4 GB of disk)
  --runs R        interleaved runs per program; figures are medians (default 5)
  --only LIST     corpora to run, comma-separated (short_lines: the line reader step)
  --build DIR     where to find the binaries not given (default build-bench)
  --before PATH   an earlier tamberlox, timed in the same rounds (column xbefore);
                  its report must be identical
USAGE
}

size_mb=20
runs=5
only=""
build="$root/build-bench"
tamberlox=""
reference=""
read_lines=""
before=""
corpus="$here/corpus"
results="$here/results"
while [ $# -gt 0 ]; do
    case "$1" in
        --gigabyte)
            size_mb=1000 runs=3 only=${only:-markup,prose,random_names}
            corpus="$here/corpus-1gb" results="$here/results-1gb"
            shift
            continue
            ;;
        --size-mb) size_mb=$2 ;;
        --runs) runs=$2 ;;
        --only) only=$2 ;;
        --build) build=$2 ;;
        --tamberlox) tamberlox=$2 ;;
        --reference) reference=$2 ;;
        --read-lines) read_lines=$2 ;;
        --before) before=$2 ;;
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
    shift 2
done
tamberlox=${tamberlox:-$build/tamberlox}
reference=${reference:-$build/tests/reference/tamberlox_reference_checker}
read_lines=${read_lines:-$build/bench/tamberlox_read_lines}

# Some corpora are measured against a twin in the same rounds.
case ",$only," in *,hostile,*) only="$only,benign" ;; esac
case ",$only," in *,slot_flood,*) only="$only,random_slots" ;; esac
case ",$only," in *,slot_flood_build,*) only="$only,random_slots_build" ;; esac
case ",$only," in *,rotation_flood,*) only="$only,rotation_twin" ;; esac
case ",$only," in *,crowd_flood,*) only="$only,crowd_twin" ;; esac
case ",$only," in *,waiting,*) only="$only,waiting_twin" ;; esac

needed=("$tamberlox" "$reference")
if [ -z "$only" ] || [[ ",$only," == *,short_lines,* ]]; then needed+=("$read_lines"); fi
for binary in "${needed[@]}"; do
    if [ ! -x "$binary" ]; then
        echo "run_bench: $binary is missing; build it first (see the top of $0)" >&2
        exit 2
    fi
done

python3 "$here/make_corpus.py" "$corpus" --size-mb "$size_mb" ${only:+--only "$only"}
exec python3 "$here/measure.py" --corpus "$corpus" --results "$results" \
    --runs "$runs" ${only:+--only "$only"} --tamberlox "$tamberlox" --reference "$reference" \
    --read-lines "$read_lines" ${before:+--before "$before"}
