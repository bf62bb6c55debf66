#!/usr/bin/env python3
"""Times tamberlox-gate against tamberlox, as ratios measured in the same run.

  many files   N small markup files (a few KB each, the markup corpus' pairs):
               one gate run (all cores, and --jobs 1) against a shell loop
               running tamberlox on each file
  large file   one markup file of --large-mb MB: the gate against tamberlox
  rules        with --rules-lists (a set with a rules file, e.g. examples/html):
               the gate through its rules on the HTML pages under --pages
               (/usr/share/doc) and on one file of --large-mb MB made of them,
               against the gate on the same files with the same lists, minus the
               pairs whose names are prefixes of one another, and no rules file
               (the lists alone would be refused)
  findings     one line of --findings-millions million unmatched opens, in each
               format: peak RSS, and the time against its twin (the same size
               of text, every name matched)

With --old-gate, an earlier build of the gate runs beside the given one in
every part, in the same rounds, and its figures are printed as ratios.

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


def interleaved(commands, cwd, runs):
    """Interleaved runs; the wall-clock and CPU seconds of each run of each command."""
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            times[name].append(timed(command, cwd))
    return times


def medians(commands, cwd, runs):
    """Interleaved runs; the median wall-clock and CPU seconds of each command."""
    times = interleaved(commands, cwd, runs)
    return {name: (statistics.median(t[0] for t in values),
                   statistics.median(t[1] for t in values)) for name, values in times.items()}


def peak_rss_kb(command, cwd):
    """Peak resident set of one run, in KB, by /usr/bin/time."""
    with open(os.devnull, "w") as null:
        done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, cwd=cwd, stdout=null,
                              stderr=subprocess.PIPE, text=True)
    return int(done.stderr.strip().splitlines()[-1])


def gates(args):
    """The gates to run: the given one, and the earlier build when there is one."""
    return {"new": args.gate, **({"old": args.old_gate} if args.old_gate else {})}


def made_once(folder, key, make):
    """Calls make(folder) unless it was called before with this key."""
    stamp = os.path.join(folder, f".made-{key}")
    if os.path.exists(stamp):
        return
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        if old.startswith(".made-"):
            os.remove(os.path.join(folder, old))
    make(folder)
    open(stamp, "w").close()


def write_findings_pair(folder, count):
    """One line of `count` unclosed opens, and its twin of the same size, every name matched."""
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_opn.txt"), ["("])
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_cls.txt"), [")"])
    with open(os.path.join(folder, "unmatched"), "wb") as out:
        out.write(b"(" * count + b"\n")
    with open(os.path.join(folder, "twin"), "wb") as out:
        out.write(b"()" * (count // 2) + b"\n")


def findings(args):
    folder = os.path.join(args.dir, "findings")
    count = int(args.findings_millions * 1_000_000)
    made_once(folder, count, lambda folder: write_findings_pair(folder, count))
    for fmt in ["gnu", "github", "json"]:
        rss = {name: peak_rss_kb([gate, "--format", fmt, "unmatched"], folder)
               for name, gate in gates(args).items()}
        shown = " | ".join(f"{name} {kb / 1024:.0f} MB" for name, kb in rss.items())
        print(f"| {count:,} findings, {fmt} | peak RSS: {shown} |")
    commands = {}
    for name, gate in gates(args).items():
        commands[f"{name} twin"] = [gate, "twin"]
        commands[f"{name} unmatched"] = [gate, "unmatched"]
    result = medians(commands, folder, args.runs)
    twin = result["new twin"][0]
    shown = " | ".join(f"{name} {t[0] / twin:.2f}x" for name, t in result.items())
    print(f"| time against the new gate on the twin ({twin:.3f} s) | {shown} |")


def many_files(args, count):
    folder = os.path.join(args.dir, f"small-{count}")
    write_set(folder, count, args.small_kb * 1000, 1)
    names = " ".join(f"f{i:05}.html" for i in range(count))
    result = medians({
        "gate": ["sh", "-c", f"ls f*.html | {args.gate} -"],
        "gate_jobs1": ["sh", "-c", f"ls f*.html | {args.gate} --jobs 1 -"],
        "loop": ["sh", "-c", f"for f in {names}; do {args.tamberlox} \"$f\"; done"],
        **({"old_gate": ["sh", "-c", f"ls f*.html | {args.old_gate} -"]} if args.old_gate else {}),
    }, folder, args.runs)
    loop, gate, gate1 = result["loop"], result["gate"], result["gate_jobs1"]
    print(f"| {count} files of {args.small_kb} KB | loop {loop[0]:.2f} s | gate {gate[0]:.3f} s: "
          f"{loop[0] / gate[0]:.0f}x faster | gate --jobs 1 {gate1[0]:.3f} s: "
          f"{loop[0] / gate1[0]:.0f}x faster | in CPU time: {loop[1] / gate[1]:.0f}x, "
          f"{loop[1] / gate1[1]:.0f}x |")
    if args.old_gate:
        print(f"| {count} files | old gate / new gate: {result['old_gate'][0] / gate[0]:.2f}x |")


def write_markup(folder, size):
    rng = random.Random("gate-bench:large")
    opn, cls, pieces = make_corpus.markup(rng, size)
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_opn.txt"), opn)
    make_corpus.write_lines(os.path.join(folder, "_tamberlox_cls.txt"), cls)
    make_corpus.write_input(os.path.join(folder, "input"), pieces)


def large_file(args):
    folder = os.path.join(args.dir, "large")
    size = int(args.large_mb * 1_000_000)
    made_once(folder, size, lambda folder: write_markup(folder, size))
    commands = {"tamberlox": [args.tamberlox, "input"], "gate": [args.gate, "input"]}
    if args.old_gate:
        commands["old_gate"] = [args.old_gate, "input"]
    result = medians(commands, folder, args.runs)
    tamberlox, gate = result["tamberlox"], result["gate"]
    print(f"| one markup file of {args.large_mb:g} MB | tamberlox {tamberlox[0]:.3f} s | "
          f"gate {gate[0]:.3f} s: {gate[0] / tamberlox[0]:.2f}x tamberlox's time | "
          f"in CPU time: {gate[1] / tamberlox[1]:.2f}x |")
    if args.old_gate:
        print(f"| {args.large_mb:g} MB | old gate / new gate: "
              f"{result['old_gate'][0] / gate[0]:.2f}x |")


def read_lines(path):
    with open(path, "rb") as f:
        return f.read().split(b"\n")[:-1]


def prefix_free_pairs(opn, cls):
    """The pairs in order, leaving out one whose name meets a name kept before."""
    kept, kept_opn, kept_cls = [], [], []
    for o, c in zip(opn, cls):
        if any(a.startswith(b) or b.startswith(a) for a in (o, c) for b in kept + [o, c]
               if a is not b):
            continue
        kept += [o, c]
        kept_opn.append(o)
        kept_cls.append(c)
    return kept_opn, kept_cls


def rules_sets(args, folder):
    """The set with its rules, and the plain set the gate takes without them."""
    with_rules, plain = os.path.join(folder, "with_rules"), os.path.join(folder, "plain")
    os.makedirs(with_rules, exist_ok=True)
    os.makedirs(plain, exist_ok=True)
    for name in ("_tamberlox_opn.txt", "_tamberlox_cls.txt", "_tamberlox_rules.txt"):
        with open(os.path.join(args.rules_lists, name), "rb") as f:
            data = f.read()
        with open(os.path.join(with_rules, name), "wb") as f:
            f.write(data)
    opn = read_lines(os.path.join(args.rules_lists, "_tamberlox_opn.txt"))
    cls = read_lines(os.path.join(args.rules_lists, "_tamberlox_cls.txt"))
    plain_opn, plain_cls = prefix_free_pairs(opn, cls)
    for name, names in (("_tamberlox_opn.txt", plain_opn), ("_tamberlox_cls.txt", plain_cls)):
        with open(os.path.join(plain, name), "wb") as f:
            f.write(b"".join(n + b"\n" for n in names))
    return with_rules, plain, len(opn), len(plain_opn)


def html_targets(args, folder):
    """The HTML pages under --pages, and one large file made of them."""
    pages = sorted(os.path.join(root, name) for root, _, names in os.walk(args.pages)
                   for name in names if name.endswith(".html"))
    page_list = os.path.join(folder, "pages.txt")
    with open(page_list, "w") as f:
        f.write("".join(page + "\n" for page in pages))
    large = os.path.join(folder, "large.html")
    size = int(args.large_mb * 1_000_000)
    if not os.path.exists(large) or os.path.getsize(large) < size:
        with open(large, "wb") as out:
            written = 0
            while written < size:
                for page in pages:
                    with open(page, "rb") as f:
                        data = f.read()
                    out.write(data)
                    written += len(data)
                    if written >= size:
                        break
    return [(f"{len(pages)} HTML pages", f"--files-from={page_list}"),
            (f"one page of {args.large_mb:g} MB", large)]


def rules_files(args):
    folder = os.path.join(args.dir, "rules")
    with_rules, plain, pairs, plain_pairs = rules_sets(args, folder)
    print(f"| rules | {pairs} pairs with the rules, {plain_pairs} without |")
    if args.rules_files:
        targets = [("the files named in " + args.rules_files, f"--files-from={args.rules_files}")]
    else:
        targets = html_targets(args, folder)
    for what, target in targets:
        commands = {
            "plain": ["sh", "-c", f"{args.gate} --lists {plain} {target}"],
            "rules": ["sh", "-c", f"{args.gate} --lists {with_rules} {target}"],
        }
        if args.old_gate:
            commands["old rules"] = ["sh", "-c", f"{args.old_gate} --lists {with_rules} {target}"]
        times = interleaved(commands, folder, args.runs)
        result = {name: (statistics.median(t[0] for t in values),
                         statistics.median(t[1] for t in values))
                  for name, values in times.items()}
        plain_time, rules_time = result["plain"], result["rules"]
        print(f"| {what} | without rules {plain_time[0]:.3f} s | with rules {rules_time[0]:.3f} s: "
              f"{rules_time[0] / plain_time[0]:.2f}x | in CPU time: "
              f"{rules_time[1] / plain_time[1]:.2f}x |")
        best = {name: min(t[0] for t in values) for name, values in times.items()}
        line = f"| {what}, best of {args.runs} | rules {best['rules'] / best['plain']:.2f}x"
        if args.old_gate:
            line += f" | old gate's rules {best['old rules'] / best['plain']:.2f}x"
        print(line + " |")


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
    parser.add_argument("--rules-lists", help="a set with a rules file: time the gate's rules")
    parser.add_argument("--pages", default="/usr/share/doc", help="where the HTML pages are")
    parser.add_argument("--rules-files",
                        help="with --rules-lists: time the files this list names instead")
    parser.add_argument("--findings-millions", type=float, default=10)
    parser.add_argument("--old-gate", help="an earlier build, run beside --gate")
    args = parser.parse_args()
    if args.rules_lists:
        args.gate = os.path.abspath(args.gate)
        if args.old_gate:
            args.old_gate = os.path.abspath(args.old_gate)
        if args.rules_files:
            args.rules_files = os.path.abspath(args.rules_files)
        args.dir = os.path.abspath(args.dir)
        args.rules_lists = os.path.abspath(args.rules_lists)
        rules_files(args)
        return
    args.gate = os.path.abspath(args.gate)
    if args.old_gate:
        args.old_gate = os.path.abspath(args.old_gate)
    args.tamberlox = os.path.abspath(args.tamberlox)
    for count in [int(c) for c in args.files.split(",") if c]:
        many_files(args, count)
    if args.large_mb > 0:
        large_file(args)
    if args.findings_millions > 0:
        findings(args)


if __name__ == "__main__":
    main()
