#!/usr/bin/env python3
"""Peak RSS of tamberlox-gate on texts full of findings, against its bound.

The bound: 64 MiB, plus 40 bytes for each open name still unmatched, counted at
the end of the text (where their number is highest in every input here).

  strays N     N close names that close nothing (")" alone, 16 a line), in
               every format, and in json with --max-findings 1
  xyb MB       the text "xyb zzz y w" line after line, MB megabytes, pairs x/y,
               b/w and z/q: per line one matched pair, three opens never
               closed, a close that closes nothing and a close whose span
               would cross those never closed (pending to the end)
  unclosed N   N opens never closed ("(" alone, 16 a line)
  then small   with --jobs 2, the strays 20M or xyb 10 MB file first, then
               2,000 small files of 3,000 stray closes each (more than a report
               formatted in memory holds, fewer than a block of records), which
               the second job checks while the first is under way, so that
               they wait for their turn; the bound is the big file's

Each run writes to /dev/null; the peak comes from /usr/bin/time -f %M.
With --old-gate an earlier build runs on the same inputs. The inputs go to
bench/corpus/gate-memory (kept between runs). Example:
  bench/gate_memory.py --gate build/dev/tamberlox-gate --old-gate OLD/tamberlox-gate
"""

import argparse
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1024 * 1024


def write_lists(folder, opn, cls):
    os.makedirs(folder, exist_ok=True)
    for name, names in (("_tamberlox_opn.txt", opn), ("_tamberlox_cls.txt", cls)):
        with open(os.path.join(folder, name), "w") as out:
            out.write("".join(n + "\n" for n in names))


def write_repeated(path, line, count):
    """`line` `count` times, written in large blocks."""
    if os.path.exists(path) and os.path.getsize(path) == len(line) * count:
        return
    block = line * 65536
    with open(path, "wb") as out:
        for _ in range(count // 65536):
            out.write(block)
        out.write(line * (count % 65536))


def make_inputs(folder):
    write_lists(folder, ["(", "x", "b", "z"], [")", "y", "w", "q"])
    inputs = {}
    for millions in (10, 20):
        path = os.path.join(folder, f"strays-{millions}m")
        write_repeated(path, b")" * 16 + b"\n", millions * 1_000_000 // 16)
        inputs[f"strays {millions}M"] = (path, 0)
    for mb in (10, 40):
        path = os.path.join(folder, f"xyb-{mb}mb")
        line = b"xyb zzz y w\n"
        count = mb * 1_000_000 // len(line)
        write_repeated(path, line, count)
        inputs[f"xyb {mb} MB"] = (path, 3 * count)
    path = os.path.join(folder, "unclosed-1m")
    write_repeated(path, b"(" * 16 + b"\n", 1_000_000 // 16)
    inputs["unclosed 1M"] = (path, 1_000_000)
    small = os.path.join(folder, "small")
    os.makedirs(small, exist_ok=True)
    smalls = []
    for i in range(2000):
        smalls.append(os.path.join(small, f"s{i:04d}"))
        write_repeated(smalls[-1], b")" * 16 + b"\n", 3000 // 16)
    for big in ("strays 20M", "xyb 10 MB"):
        path, unmatched = inputs[big]
        inputs[f"{big} then small"] = ([path] + smalls, unmatched)
    return inputs


def peak_rss(command, cwd):
    """Peak resident set of one run, in bytes, by /usr/bin/time, and its exit status."""
    with open(os.devnull, "wb") as null:
        done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, cwd=cwd, stdout=null,
                              stderr=subprocess.PIPE, text=True)
    return int(done.stderr.strip().splitlines()[-1]) * 1024, done.returncode


def runs(inputs):
    """(label, input, unmatched opens, extra arguments)."""
    for label, (path, unmatched) in inputs.items():
        if label.endswith("then small"):
            for fmt in ("gnu", "json"):
                yield f"{label}, {fmt} -j 2", path, unmatched, ["--format", fmt, "-j", "2"]
            continue
        formats = ["gnu", "github", "json", "sarif"] if label.startswith("strays") else ["gnu"]
        for fmt in formats:
            yield f"{label}, {fmt}", path, unmatched, ["--format", fmt]
        if label.startswith("strays"):
            yield f"{label}, json -m 1", path, unmatched, ["--format", "json", "-m", "1"]
        else:
            yield f"{label}, json", path, unmatched, ["--format", "json"]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--gate", required=True)
    parser.add_argument("--old-gate")
    parser.add_argument("--dir", default=os.path.join(HERE, "corpus", "gate-memory"))
    args = parser.parse_args()
    gates = {"new": os.path.abspath(args.gate)}
    if args.old_gate:
        gates["old"] = os.path.abspath(args.old_gate)
    inputs = make_inputs(args.dir)
    names = list(gates)
    print("| input | " + " | ".join(f"{n} MiB" for n in names) + " | bound MiB | within |")
    print("|---|" + "---|" * len(names) + "---|---|")
    for label, path, unmatched, extra in runs(inputs):
        bound = 64 * MIB + 40 * unmatched
        peaks = {}
        for name, gate in gates.items():
            paths = path if isinstance(path, list) else [path]
            peaks[name], _ = peak_rss([gate, "--lists", args.dir] + extra + paths, args.dir)
        shown = " | ".join(f"{peaks[n] / MIB:.0f}" for n in names)
        within = "yes" if peaks["new"] <= bound else "NO"
        print(f"| {label} | {shown} | {bound / MIB:.0f} | {within} |", flush=True)


if __name__ == "__main__":
    main()
