#!/usr/bin/env python3
"""Times tamberlox on the corpora against grep -F, cat and the reference checker.

Called by run_bench.sh, which finds the binaries and makes the corpora. Every
figure is the median of interleaved runs; the ratios compare medians taken in
the same rounds, so a busy machine slows both sides alike.
"""

import argparse
import filecmp
import os
import statistics
import subprocess
import sys
import time

MB = 1_000_000
MIB = 1 << 20
# The reference tries every name at every byte: about 4 ns per byte and name here.
REFERENCE_NS_PER_BYTE_AND_NAME = 4
REFERENCE_LIMIT_S = 60
CORPORA = ["markup", "prose", "code", "random_names", "one_line", "deep", "hostile", "benign",
           "common_start", "no_line_end", "slot_flood", "random_slots", "slot_flood_build",
           "random_slots_build", "long_names", "small_markup", "rotation_flood", "rotation_twin",
           "crowd_flood", "crowd_twin", "waiting", "waiting_twin", "shared_starts"]
# Corpora timed against a harmless twin in the same rounds (column "xpair").
PAIRED = {"hostile": "benign", "slot_flood": "random_slots",
          "slot_flood_build": "random_slots_build", "rotation_flood": "rotation_twin",
          "crowd_flood": "crowd_twin", "waiting": "waiting_twin"}
# Where an earlier build (--before) would take minutes a run: the flood it was slow on.
BEFORE_SKIPPED = {"slot_flood", "rotation_flood", "waiting"}
# (corpus, figure, limit): figure is a column of the table.
TARGETS = [("markup", "xgrep", 0.5), ("prose", "xgrep", 1.0), ("code", "xgrep", 0.5),
           ("random_names", "xgrep", 0.15), ("one_line", "xgrep", 0.5), ("deep", "xref", 0.05),
           ("hostile", "xpair", 5.0), ("slot_flood", "xpair", 2.0),
           ("slot_flood_build", "xpair", 2.0), ("rotation_flood", "xpair", 2.0),
           ("crowd_flood", "xpair", 2.0), ("waiting", "xpair", 2.0)]
# The memory bound: bytes per occurrence, per byte of the longest line (read
# twice over), per list byte (lists of names sharing long starts come nearest),
# and MiB per thread.
BOUND_PER_OCCURRENCE, BOUND_PER_LINE_BYTE, BOUND_PER_LIST_BYTE, BOUND_MIB_PER_THREAD = 24, 2, 16, 32
READER_TARGET = 3.0
# (corpus, least speed-up): all threads against TAMBERLOX_THREADS=1 in the same rounds.
# small_markup sits under the size that pays, so both take one thread: within 5 %.
THREAD_TARGETS = [("markup", 1.7), ("random_names", 1.8), ("prose", 1.3), ("small_markup", 0.95)]
# As src/cli/parallel_check.h: smaller files are checked on one thread.
PARALLEL_MIN_BYTES = 16 << 20
THREADS = len(os.sched_getaffinity(0))


class Failure(Exception):
    pass


def run_once(argv, cwd, stdout_path, env=None):
    """Runs argv; returns (wall seconds, CPU seconds, peak RSS in KiB, exit status)."""
    with open(stdout_path, "wb") as out:
        start = time.perf_counter()
        child = subprocess.Popen(argv, cwd=cwd, stdout=out, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, child.returncode


class Tool:
    def __init__(self, name, argv, cwd, stdout_path, ok_status=(0,), env=None):
        self.name, self.argv, self.cwd, self.stdout_path = name, argv, cwd, stdout_path
        self.ok_status, self.env = ok_status, env
        self.seconds, self.cpu_seconds, self.rss_kib = [], [], []

    def run(self):
        seconds, cpu_seconds, rss_kib, status = run_once(self.argv, self.cwd, self.stdout_path,
                                                         self.env)
        if status not in self.ok_status:
            raise Failure(f"{' '.join(self.argv)} (in {self.cwd}) exited with status {status}")
        self.seconds.append(seconds)
        self.cpu_seconds.append(cpu_seconds)
        self.rss_kib.append(rss_kib)

    def median(self):
        return statistics.median(self.seconds)

    def median_cpu(self):
        return statistics.median(self.cpu_seconds)


def run_rounds(tools, runs):
    """One untimed pass to warm the page cache, then `runs` interleaved rounds."""
    for tool in tools:
        if tool.name == "cat":
            tool.run()
            tool.seconds.clear()
            tool.cpu_seconds.clear()
    for _ in range(runs):
        for tool in tools:
            tool.run()


def longest_line(path):
    """Longest run of bytes between line ends."""
    longest, current = 0, 0
    with open(path, "rb") as f:
        while chunk := f.read(16 * MIB):
            start = 0
            while (lf := chunk.find(b"\n", start)) >= 0:
                longest = max(longest, current + lf - start)
                current, start = 0, lf + 1
            current += len(chunk) - start
    return max(longest, current)


def count_occurrences(report_path):
    """Lines of the tag structure: every line before the report's first blank line."""
    with open(report_path, "rb") as f:
        report = f.read()
    structure_end = report.find(b"\n\n")
    return report.count(b"\n", 0, structure_end + 1) - 1


def peak_rss_kib(tool):
    """Peak RSS of one more run, from /usr/bin/time when present, else from wait4."""
    if not os.access("/usr/bin/time", os.X_OK):
        return max(tool.rss_kib)
    rss_path = tool.stdout_path + ".rss"
    argv = ["/usr/bin/time", "-f", "%M", "-o", rss_path] + tool.argv
    _, _, _, status = run_once(argv, tool.cwd, tool.stdout_path)
    if status != 0:
        raise Failure(f"{' '.join(argv)} exited with status {status}")
    with open(rss_path) as f:
        return int(f.read().split()[-1])


def list_bytes(folder):
    """The bytes of both lists, each of which may take up to 12 bytes of memory."""
    return sum(os.path.getsize(os.path.join(folder, f"_tamberlox_{kind}.txt"))
               for kind in ("opn", "cls"))


def name_count(folder):
    with open(os.path.join(folder, "_tamberlox_opn.txt"), "rb") as f:
        return 2 * len(f.read().split(b"\n")[:-1])


def write_grep_names(folder, path):
    with open(path, "wb") as out:
        for list_file in ("_tamberlox_opn.txt", "_tamberlox_cls.txt"):
            with open(os.path.join(folder, list_file), "rb") as f:
                out.write(f.read())


def corpus_tools(args, corpus):
    folder = os.path.join(args.corpus, corpus)
    out = lambda tool: os.path.join(args.results, f"{corpus}.{tool}.out")
    names_path = os.path.join(args.results, f"{corpus}.names")
    write_grep_names(folder, names_path)
    grep_env = dict(os.environ, LC_ALL="C")
    all_threads = {k: v for k, v in os.environ.items() if k != "TAMBERLOX_THREADS"}
    one_thread = dict(all_threads, TAMBERLOX_THREADS="1")
    tools = [Tool("tamberlox", [args.tamberlox, "input"], folder, out("tamberlox"),
                  env=all_threads),
             Tool("one thread", [args.tamberlox, "input"], folder, out("one-thread"),
                  env=one_thread),
             Tool("grep", ["grep", "-F", "-o", "-n", "-f", names_path, "input"], folder,
                  out("grep"), ok_status=(0, 1), env=grep_env),
             Tool("cat", ["cat", "input"], folder, os.devnull)]
    size = os.path.getsize(os.path.join(folder, "input"))
    estimate = max(size, 1) * name_count(folder) * REFERENCE_NS_PER_BYTE_AND_NAME / 1e9
    if estimate <= REFERENCE_LIMIT_S:
        tools.append(Tool("reference", [args.reference, "input"], folder, out("reference")))
    else:
        print(f"  {corpus}: reference skipped, it would take about {estimate:.0f} s a run",
              flush=True)
    if args.before and corpus not in BEFORE_SKIPPED:
        tools.append(Tool("before", [args.before, "input"], folder, out("before")))
    if corpus in PAIRED:
        twin = PAIRED[corpus]
        tools.append(Tool("pair", [args.tamberlox, "input"], os.path.join(args.corpus, twin),
                          out(f"{twin}-beside-{corpus}")))
    return tools, size


def compare_reports(tools):
    by_name = {tool.name: tool for tool in tools}
    mine = by_name["tamberlox"].stdout_path
    if "before" in by_name and not filecmp.cmp(mine, by_name["before"].stdout_path, shallow=False):
        print("*** MISMATCH with the earlier build", file=sys.stderr, flush=True)
        return "MISMATCH"
    if not filecmp.cmp(mine, by_name["one thread"].stdout_path, shallow=False):
        print("*** MISMATCH between all threads and one thread", file=sys.stderr, flush=True)
        return "MISMATCH"
    if "reference" not in by_name:
        return "skipped"
    theirs = by_name["reference"].stdout_path
    if filecmp.cmp(mine, theirs, shallow=False):
        return "identical"
    first = subprocess.run(["cmp", mine, theirs], capture_output=True, text=True).stdout
    print(f"*** MISMATCH: {first.strip()}", file=sys.stderr, flush=True)
    return "MISMATCH"


def measure_corpus(args, corpus):
    tools, size = corpus_tools(args, corpus)
    run_rounds(tools, args.runs)
    by_name = {tool.name: tool for tool in tools}
    mine = by_name["tamberlox"]
    occurrences = count_occurrences(mine.stdout_path)
    corpus_folder = os.path.join(args.corpus, corpus)
    longest = longest_line(os.path.join(corpus_folder, "input"))
    threads = THREADS if size >= PARALLEL_MIN_BYTES else 1
    one = by_name["one thread"]
    row = {"corpus": corpus, "MB": size / MB, "tamberlox s": mine.median(),
           "MB/s": size / MB / max(mine.median(), 1e-6), "report": compare_reports(tools),
           "threads": threads, "1 thread s": one.median(), "speed-up": one.median() / mine.median(),
           "RSS MiB": peak_rss_kib(mine) / 1024, "occurrences": occurrences,
           "bound MiB": (BOUND_PER_OCCURRENCE * occurrences + BOUND_PER_LINE_BYTE * longest
                         + BOUND_PER_LIST_BYTE * list_bytes(corpus_folder)) / MIB
           + BOUND_MIB_PER_THREAD * threads,
           "tamberlox cpu s": mine.median_cpu(), "1 thread cpu s": one.median_cpu()}
    for baseline, column in (("grep", "xgrep"), ("cat", "xcat"), ("reference", "xref"),
                             ("pair", "xpair"), ("before", "xbefore")):
        if baseline in by_name:
            theirs = by_name[baseline]
            row[f"{baseline} s"] = theirs.median()
            row[column] = mine.median() / theirs.median()
            row[f"{baseline} cpu s"] = theirs.median_cpu()
            row[f"{column} cpu"] = mine.median_cpu() / max(theirs.median_cpu(), 1e-3)
    return row


COLUMNS = [("corpus", "{}"), ("MB", "{:.1f}"), ("threads", "{}"), ("tamberlox s", "{:.3f}"),
           ("MB/s", "{:.0f}"), ("1 thread s", "{:.3f}"), ("speed-up", "{:.2f}"),
           ("grep s", "{:.3f}"), ("xgrep", "{:.3f}"), ("cat s", "{:.4f}"), ("xcat", "{:.1f}"),
           ("reference s", "{:.2f}"), ("xref", "{:.4f}"), ("xpair", "{:.2f}"), ("xbefore", "{:.3f}"),
           ("report", "{}"),
           ("RSS MiB", "{:.1f}"), ("bound MiB", "{:.1f}"), ("occurrences", "{:,}")]


# The same medians in CPU time (user + system), which a busy machine disturbs less;
# a CPU time under 1 ms counts as 1 ms.
CPU_COLUMNS = [("corpus", "{}"), ("tamberlox cpu s", "{:.3f}"), ("1 thread cpu s", "{:.3f}"),
               ("grep cpu s", "{:.3f}"),
               ("xgrep cpu", "{:.3f}"), ("cat cpu s", "{:.4f}"), ("xcat cpu", "{:.1f}"),
               ("reference cpu s", "{:.2f}"), ("xref cpu", "{:.4f}"), ("xpair cpu", "{:.2f}"),
               ("xbefore cpu", "{:.3f}")]


def table(rows, columns):
    lines = ["| " + " | ".join(name for name, _ in columns) + " |",
             "|" + "|".join("---" for _ in columns) + "|"]
    for row in rows:
        cells = [form.format(row[name]) if name in row else "-" for name, form in columns]
        lines.append("| " + " | ".join(cells) + " |")
    return "\n".join(lines)


def target_lines(rows):
    by_corpus = {row["corpus"]: row for row in rows}
    lines, missed = [], 0
    for corpus, figure, limit in TARGETS:
        if corpus in by_corpus and figure in by_corpus[corpus]:
            value = by_corpus[corpus][figure]
            met = value <= limit
            missed += not met
            lines.append(f"{corpus} {figure} = {value:.3f} (target <= {limit}): "
                         f"{'met' if met else 'MISSED'}; in CPU time "
                         f"{by_corpus[corpus][figure + ' cpu']:.3f}")
    for corpus, least in THREAD_TARGETS:
        if corpus in by_corpus:
            row = by_corpus[corpus]
            met = row["speed-up"] >= least
            missed += not met
            lines.append(f"{corpus} speed-up on {row['threads']} thread(s) = {row['speed-up']:.2f} "
                         f"(target >= {least}): {'met' if met else 'MISSED'}")
    for row in rows:
        met = row["RSS MiB"] <= row["bound MiB"]
        missed += not met
        if not met:
            lines.append(f"{row['corpus']} RSS {row['RSS MiB']:.1f} MiB over its bound "
                         f"{row['bound MiB']:.1f} MiB: MISSED")
    if rows and all(row["RSS MiB"] <= row["bound MiB"] for row in rows):
        lines.append("RSS within 24 B x occurrences + 2 x longest line + 12 x list bytes"
                     " + 32 MiB x threads on every corpus: met")
    return lines, missed


def measure_reader(args):
    """The line reader alone against wc -l on a file of short lines."""
    folder = os.path.join(args.corpus, "short_lines")
    reader = Tool("read_lines", [args.read_lines, "input"], folder,
                  os.path.join(args.results, "short_lines.read_lines.out"))
    wc = Tool("wc -l", ["wc", "-l", "input"], folder,
              os.path.join(args.results, "short_lines.wc.out"))
    cat = Tool("cat", ["cat", "input"], folder, os.devnull)
    run_rounds([reader, wc, cat], args.runs)
    with open(reader.stdout_path) as f:
        reader_lines = int(f.read().split()[0])
    with open(wc.stdout_path) as f:
        wc_lines = int(f.read().split()[0])
    if reader_lines != wc_lines:
        raise Failure(f"read_lines counted {reader_lines} lines, wc -l {wc_lines}")
    size = os.path.getsize(os.path.join(folder, "input"))
    ratio = reader.median() / wc.median()
    return (f"line reader on {size / MB:.0f} MB of short lines ({reader_lines:,} lines): "
            f"read_lines {reader.median():.3f} s, wc -l {wc.median():.3f} s, "
            f"cat {cat.median():.3f} s; read_lines / wc -l = {ratio:.2f} "
            f"(target <= {READER_TARGET}): {'met' if ratio <= READER_TARGET else 'MISSED'}",
            ratio <= READER_TARGET)


def describe_setting(args):
    """The source tree's commit and the machine's load: the figures' setting."""
    tree = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    commit = subprocess.run(["git", "-C", tree, "describe", "--always", "--dirty"],
                            capture_output=True, text=True).stdout.strip() or "unknown"
    return (f"Source tree {commit}; {args.runs} interleaved runs per program; "
            f"{os.cpu_count()} CPUs, load average {os.getloadavg()[0]:.1f} at the start")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", help="comma-separated corpus names, short_lines for the reader")
    parser.add_argument("--tamberlox", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--read-lines")
    parser.add_argument("--before", help="an earlier tamberlox, timed in the same rounds")
    args = parser.parse_args()
    selected = args.only.split(",") if args.only else CORPORA + ["short_lines"]
    os.makedirs(args.results, exist_ok=True)
    setting = describe_setting(args)
    rows, missed = [], 0
    try:
        for corpus in [c for c in CORPORA if c in selected]:
            print(f"measuring {corpus} ({args.runs} runs)", flush=True)
            rows.append(measure_corpus(args, corpus))
        reader_line = None
        if "short_lines" in selected:
            print("measuring the line reader", flush=True)
            reader_line, reader_met = measure_reader(args)
            missed += not reader_met
    except Failure as failure:
        print(f"\n*** FAILURE: {failure}", file=sys.stderr)
        return 1
    lines, table_missed = target_lines(rows)
    missed += table_missed
    mismatched = [row["corpus"] for row in rows if row["report"] == "MISMATCH"]
    setting += f", {os.getloadavg()[0]:.1f} at the end"
    text = "\n".join([setting, "", table(rows, COLUMNS), "", "CPU time (user + system):", "",
                      table(rows, CPU_COLUMNS), "", *lines] +
                     ([reader_line] if reader_line else []))
    print("\n" + text)
    with open(os.path.join(args.results, "table.md"), "w") as f:
        f.write(text + "\n")
    print(f"\n{missed} target(s) missed; the table is in {args.results}/table.md")
    if mismatched:
        print(f"\n*** FAILURE: tamberlox's report differs from the reference's on "
              f"{', '.join(mismatched)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
