#!/usr/bin/env python3
"""Times tamberlox-gate's rules on crafted texts against harmless twins of the same size.

  waiting_tags   `self-closing /> >` without tag-end; `<a x` and a line end N
                 times, then `/>`: N self-closing names all waiting for one far
                 end. Twin: `<ax>` and a line end, each tag ended at once.
  waiting_quoted the same under `tag-quotes "\"'"`, the lines `<a "` and `<a x` by
                 turns: the waiting searches stand in and out of a quote by
                 turns, two courses. Twin: `<ax>` lines.
  long_start     the name `a` (word-end) and a region whose START is 3,999 `a`
                 and a `b`, over a text of `a` only: the START is tried at every
                 place and fails at its last byte. Twin: a START of 4,000 `b`.

Each corpus is written at every size of --sizes (MB), its twin beside it; each
pair runs --runs times interleaved (the median wall time and the peak RSS), and
with --callgrind once under valgrind --tool=callgrind at the smallest size (the
instruction counts, repeatable on a shared machine). The ratios against the
twin are the figures; with --old-gate an earlier build runs beside the gate.

Builds nothing; the files go to bench/corpus/crafted_rules (kept between runs).
Example:
  bench/crafted_rules.py --gate build/dev/tamberlox-gate --sizes 5 10 20 --callgrind
"""

import argparse
import os
import re
import statistics
import subprocess
import tempfile

from gate_bench import made_once, peak_rss_kb, timed

HERE = os.path.dirname(os.path.abspath(__file__))


def write_waiting_tags(folder, size):
    with open(os.path.join(folder, "_tamberlox_opn.txt"), "w") as out:
        out.write("<a\n")
    with open(os.path.join(folder, "_tamberlox_cls.txt"), "w") as out:
        out.write("</a\n")
    with open(os.path.join(folder, "_tamberlox_rules.txt"), "w") as out:
        out.write("self-closing /> >\n")
    count = size // 5
    with open(os.path.join(folder, "crafted"), "wb") as out:
        out.write(b"<a x\n" * count + b"/>\n")
    with open(os.path.join(folder, "twin"), "wb") as out:
        out.write(b"<ax>\n" * count + b"/>\n")


def write_waiting_quoted(folder, size):
    write_waiting_tags(folder, size)
    with open(os.path.join(folder, "_tamberlox_rules.txt"), "w") as out:
        out.write("self-closing /> >\ntag-quotes \"\\\"'\"\n")
    with open(os.path.join(folder, "crafted"), "wb") as out:
        out.write(b'<a "\n<a x\n' * (size // 10) + b"/>\n")


def write_long_start(folder, size):
    with open(os.path.join(folder, "_tamberlox_opn.txt"), "w") as out:
        out.write("a\n")
    with open(os.path.join(folder, "_tamberlox_cls.txt"), "w") as out:
        out.write("c\n")
    # The twin's set differs only in its START; the text is the same.
    for name, start in [("crafted", "a" * 3999 + "b"), ("twin", "b" * 4000)]:
        sub = os.path.join(folder, name + "-set")
        os.makedirs(sub, exist_ok=True)
        for list_name in ["_tamberlox_opn.txt", "_tamberlox_cls.txt"]:
            with open(os.path.join(folder, list_name)) as src, \
                    open(os.path.join(sub, list_name), "w") as out:
                out.write(src.read())
        with open(os.path.join(sub, "_tamberlox_rules.txt"), "w") as out:
            out.write(f"word-end\nregion {start} d\n")
    with open(os.path.join(folder, "text"), "wb") as out:
        out.write(b"a" * size + b"\n")


CORPORA = {
    "waiting_tags": (write_waiting_tags,
                     lambda folder: (["--lists", folder, "crafted"], ["--lists", folder, "twin"])),
    "waiting_quoted": (write_waiting_quoted,
                       lambda folder: (["--lists", folder, "crafted"], ["--lists", folder, "twin"])),
    "long_start": (write_long_start,
                   lambda folder: (["--lists", os.path.join(folder, "crafted-set"), "text"],
                                   ["--lists", os.path.join(folder, "twin-set"), "text"])),
}


def instructions(command, cwd):
    """The instructions one run takes under callgrind."""
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "callgrind.out")
        done = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"]
                              + command, cwd=cwd, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        found = re.search(r"Collected : (\d+)", done.stderr)
        return int(found.group(1)) if found else float("nan")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--gate", required=True)
    parser.add_argument("--old-gate")
    parser.add_argument("--sizes", type=float, nargs="+", default=[5, 10, 20])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--callgrind", action="store_true")
    parser.add_argument("--only", nargs="+", choices=sorted(CORPORA))
    parser.add_argument("--dir", default=os.path.join(HERE, "corpus", "crafted_rules"))
    args = parser.parse_args()
    gates = {"gate": os.path.abspath(args.gate)}
    if args.old_gate:
        gates["old"] = os.path.abspath(args.old_gate)
    print("| corpus | MB | gate | crafted s | twin s | xtwin | crafted RSS | twin RSS |")
    print("| --- | --- | --- | --- | --- | --- | --- | --- |")
    for name in args.only or sorted(CORPORA):
        write, commands = CORPORA[name]
        for mb in args.sizes:
            size = int(mb * 1_000_000)
            folder = os.path.join(args.dir, f"{name}-{mb:g}")
            made_once(folder, size, lambda folder: write(folder, size))
            crafted, twin = commands(folder)
            for label, gate in gates.items():
                runs = {"crafted": [], "twin": []}
                for _ in range(args.runs):
                    runs["crafted"].append(timed([gate, "--quiet"] + crafted, folder)[0])
                    runs["twin"].append(timed([gate, "--quiet"] + twin, folder)[0])
                c, t = statistics.median(runs["crafted"]), statistics.median(runs["twin"])
                rss_c = peak_rss_kb([gate, "--quiet"] + crafted, folder) // 1024
                rss_t = peak_rss_kb([gate, "--quiet"] + twin, folder) // 1024
                print(f"| {name} | {mb:g} | {label} | {c:.3f} | {t:.3f} | {c / t:.2f} "
                      f"| {rss_c} MiB | {rss_t} MiB |", flush=True)
        if args.callgrind:
            mb = min(args.sizes)
            folder = os.path.join(args.dir, f"{name}-{mb:g}")
            crafted, twin = commands(folder)
            for label, gate in gates.items():
                ic = instructions([gate, "--quiet"] + crafted, folder)
                it = instructions([gate, "--quiet"] + twin, folder)
                print(f"callgrind {name} {mb:g} MB {label}: crafted {ic:,} / twin {it:,} "
                      f"instructions = {ic / it:.2f}", flush=True)


if __name__ == "__main__":
    main()
