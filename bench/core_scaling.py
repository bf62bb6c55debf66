#!/usr/bin/env python3
"""What two cores give on this machine, beside what tamberlox's threads get.

For each corpus folder (the two list files and `input`, as run_bench.sh makes
them) it times, in interleaved rounds: tamberlox on one thread; two one-thread
runs of it at once (independent processes, so nothing is shared but the
machine); and tamberlox on two threads. The machine's figure is the work of the
two runs at once over the time of one run alone (2.0 on two free cores); the
threads' figure is the one-thread time over the two-thread time. On a shared
VM the first bounds the second. Example:
  bench/core_scaling.py --tamberlox build-bench/tamberlox --runs 15 bench/corpus/markup
"""

import argparse
import os
import statistics
import time


def spawn(binary, folder, threads):
    pid = os.fork()
    if pid == 0:
        os.chdir(folder)
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.dup2(null, 2)
        os.execve(binary, [binary, "input"], dict(os.environ, TAMBERLOX_THREADS=threads))
    return pid


def timed(binary, folder, copies, threads):
    start = time.perf_counter()
    for pid in [spawn(binary, folder, threads) for _ in range(copies)]:
        os.waitpid(pid, 0)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tamberlox", required=True)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()
    binary = os.path.abspath(args.tamberlox)
    print("| corpus | one thread s | two runs at once s | machine | two threads s | threads |")
    print("|---|---|---|---|---|---|")
    for folder in args.folders:
        one, pair, threads = [], [], []
        for _ in range(args.runs):
            one.append(timed(binary, folder, 1, "1"))
            pair.append(timed(binary, folder, 2, "1"))
            threads.append(timed(binary, folder, 1, "2"))
        alone, both, two = (statistics.median(t) for t in (one, pair, threads))
        name = os.path.basename(os.path.normpath(folder))
        print(f"| {name} | {alone:.3f} | {both:.3f} | {2 * alone / both:.2f} | {two:.3f} "
              f"| {alone / two:.2f} |", flush=True)


if __name__ == "__main__":
    main()
