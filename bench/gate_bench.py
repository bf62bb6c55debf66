#!/usr/bin/env python3
"""Times tamberlox-gate against tamberlox, as ratios measured in the same run.

  many files   N small markup files (a few KB each, the markup corpus' pairs):
               one gate run (all cores, and --jobs 1) against a shell loop
               running tamberlox on each file
  large file   one markup file of --large-mb MB: the gate against tamberlox

Builds nothing; the files go to bench/corpus/gate (kept between runs). Example:
  bench/gate_bench.py --gate build-bench/tamberlox-gate --tamberlox build-bench/tamberlox
"""

import argparse
import os
import random
import resource
import statistics
import subprocess
import time

import make_corpus

HERE = os.path.dirname(os.path.abspath(__file__))


def write_set(folder, count, size, seed):
    """count markup files of about `size` bytes each, with the lists; kept if made before."""
    stamp = os.path.join(folder, f".made-{count}-{size}-{seed}")
    if os.path.exists(stamp):
        return
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(f"gate-bench:{seed}:{count}:{size}")
    opn, cls = make_corpus.MARKUP_OPN, make_corpus.MARKUP_CLS
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_opn.txt"), opn)
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_cls.txt"), cls)
    for i in range(count):
        pieces = make_corpus.nested_tags(rng, size, opn, cls, make_corpus.markup_text,
                                         error_rate=1 / 200)
        make_corpus.write_input(os.path.join(folder, f"f{i:05}.html"), pieces)
    open(stamp, "w").close()


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, cwd):
    """Wall-clock and CPU seconds (user + system, children included)."""
    with open(os.devnull, "w") as null:
        start, start_cpu = time.perf_counter(), cpu_seconds()
        subprocess.run(command, cwd=cwd, stdout=null, stderr=null)
        return time.perf_counter() - start, cpu_seconds() - start_cpu


def medians(commands, cwd, runs):
    """Interleaved runs; the median wall-clock and CPU seconds of each command."""
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            times[name].append(timed(command, cwd))
    return {name: (statistics.median(t[0] for t in values),
                   statistics.median(t[1] for t in values)) for name, values in times.items()}


def many_files(args, count):
    folder = os.path.join(args.dir, f"small-{count}")
    write_set(folder, count, args.small_kb * 1000, 1)
    names = " ".join(f"f{i:05}.html" for i in range(count))
    result = medians({
        "gate": ["sh", "-c", f"ls f*.html | {args.gate} -"],
        "gate_jobs1": ["sh", "-c", f"ls f*.html | {args.gate} --jobs 1 -"],
        "loop": ["sh", "-c", f"for f in {names}; do {args.tamberlox} \"$f\"; done"],
    }, folder, args.runs)
    loop, gate, gate1 = result["loop"], result["gate"], result["gate_jobs1"]
    print(f"| {count} files of {args.small_kb} KB | loop {loop[0]:.2f} s | gate {gate[0]:.3f} s: "
          f"{loop[0] / gate[0]:.0f}x faster | gate --jobs 1 {gate1[0]:.3f} s: "
          f"{loop[0] / gate1[0]:.0f}x faster | in CPU time: {loop[1] / gate[1]:.0f}x, "
          f"{loop[1] / gate1[1]:.0f}x |")


def large_file(args):
    folder = os.path.join(args.dir, "large")
    size = int(args.large_mb * 1_000_000)
    stamp = os.path.join(folder, f".made-{size}")
    if not os.path.exists(stamp):
        os.makedirs(folder, exist_ok=True)
        rng = random.Random("gate-bench:large")
        opn, cls, pieces = make_corpus.markup(rng, size)
        make_corpus.write_lines(os.path.join(folder, "_tamberlox_opn.txt"), opn)
        make_corpus.write_lines(os.path.join(folder, "_tamberlox_cls.txt"), cls)
        make_corpus.write_input(os.path.join(folder, "input"), pieces)
        open(stamp, "w").close()
    result = medians({"tamberlox": [args.tamberlox, "input"], "gate": [args.gate, "input"]},
                     folder, args.runs)
    tamberlox, gate = result["tamberlox"], result["gate"]
    print(f"| one markup file of {args.large_mb:g} MB | tamberlox {tamberlox[0]:.3f} s | "
          f"gate {gate[0]:.3f} s: {gate[0] / tamberlox[0]:.2f}x tamberlox's time | "
          f"in CPU time: {gate[1] / tamberlox[1]:.2f}x |")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--gate", required=True)
    parser.add_argument("--tamberlox", required=True)
    parser.add_argument("--dir", default=os.path.join(HERE, "corpus", "gate"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--files", default="2000,10000", help="counts of small files")
    parser.add_argument("--small-kb", type=int, default=3)
    parser.add_argument("--large-mb", type=float, default=50)
    args = parser.parse_args()
    args.gate = os.path.abspath(args.gate)
    args.tamberlox = os.path.abspath(args.tamberlox)
    for count in [int(c) for c in args.files.split(",") if c]:
        many_files(args, count)
    if args.large_mb > 0:
        large_file(args)


if __name__ == "__main__":
    main()
