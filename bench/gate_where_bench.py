#!/usr/bin/env python3
"""The cost of the map, the folder walk and the column units, against an earlier gate.

On the HTML pages under --pages (/usr/share/doc), copied once into
bench/corpus/where/pages with their folders, checked with the shipped html set
(--sets, the source tree's examples/ by default, as TAMBERLOX_SETS; the
earlier gate reads --base-sets, its own tree's, which knows only its rules):

  base list     the earlier gate (--base-gate): --lists html, the files
                named on standard input (--files-from -)
  list          the gate the same way (display columns, the default)
  list byte     the same with --column-unit=byte: the columns as the scan
                counts them, nothing counted again
  list char     the same with --column-unit=char
  map walk      the gate with a _tamberlox_map.txt (`*.html html`) found in
                the folder and the folder walked: `tamberlox-gate .`
  base map walk the earlier gate the same way

Two measures: instruction counts under valgrind --tool=callgrind (one run
each, --jobs 1, repeatable on a shared machine), and --runs interleaved runs
of each (all cores and --jobs 1), medians of wall-clock and CPU time.
Every variant's report must equal the base's (with the byte unit, or the
same unit as the base where the base has no other), or the script fails.

Builds nothing. Example:
  bench/gate_where_bench.py --gate build-bench/tamberlox-gate \
      --base-gate /tmp/base/build/tamberlox-gate --base-sets /tmp/base/examples
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

import gate_bench

HERE = os.path.dirname(os.path.abspath(__file__))


def copy_pages(pages, folder):
    """The HTML pages under `pages` into folder/pages, keeping their folders."""
    target = os.path.join(folder, "pages")
    if os.path.exists(os.path.join(folder, ".made")):
        return target
    shutil.rmtree(target, ignore_errors=True)
    for top, _, files in os.walk(pages):
        for name in files:
            if not name.endswith(".html"):
                continue
            source = os.path.join(top, name)
            if not os.path.isfile(source):
                continue
            relative = os.path.relpath(source, pages)
            os.makedirs(os.path.join(target, os.path.dirname(relative)), exist_ok=True)
            shutil.copyfile(source, os.path.join(target, relative))
    with open(os.path.join(target, "_tamberlox_map.txt"), "w") as out:
        out.write("*.html html\n")
    open(os.path.join(folder, ".made"), "w").close()
    return target


def page_list(target):
    names = []
    for top, dirs, files in os.walk(target):
        dirs.sort()
        names += [os.path.relpath(os.path.join(top, name), target)
                  for name in sorted(files) if name.endswith(".html")]
    return names


def variants(args, names_file):
    listed = ["--lists", "html", "--files-from", names_file]
    return {
        "base list": [args.base_gate] + listed,
        "list": [args.gate] + listed,
        "list byte": [args.gate, "--column-unit=byte"] + listed,
        "list char": [args.gate, "--column-unit=char"] + listed,
        "map walk": [args.gate, "."],
        "base map walk": [args.base_gate, "."],
    }


def with_sets(command, args):
    """The command run with the sets its gate reads: env TAMBERLOX_SETS=..."""
    sets = args.base_sets if command[0] == args.base_gate else args.sets
    return ["env", "TAMBERLOX_SETS=" + os.path.abspath(sets)] + command


def output_of(command, cwd):
    done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return done.stdout


def same_reports(commands, cwd):
    """The findings, sorted, of each variant: byte columns compared with the base's."""
    def findings(command):
        return sorted(output_of(command, cwd).splitlines())
    base = findings(commands["base list"])
    if findings(commands["list byte"]) != base:
        sys.exit("the gate with --column-unit=byte differs from the base gate")
    walked = findings(commands["base map walk"])
    if findings(commands["map walk"] + ["--column-unit=byte"]) != walked:
        sys.exit("the gate's walk with --column-unit=byte differs from the base gate's")
    print(f"reports equal: {len(base)} lines listed, {len(walked)} walked")


def instructions(command, cwd):
    """The instructions one run executes (callgrind's Ir), on one thread."""
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "callgrind.out")
        done = subprocess.run(command[:2] + ["valgrind", "--tool=callgrind",
                                             f"--callgrind-out-file={out}"] +
                              command[2:] + ["--jobs", "1"], cwd=cwd,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        found = re.search(r"Collected : (\d+)", done.stderr)
        if not found:
            sys.exit("callgrind gave no count:\n" + done.stderr)
        return int(found.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--gate", required=True)
    parser.add_argument("--base-gate", required=True)
    parser.add_argument("--pages", default="/usr/share/doc")
    parser.add_argument("--sets", default=os.path.join(HERE, "..", "examples"))
    parser.add_argument("--base-sets", required=True)
    parser.add_argument("--dir", default=os.path.join(HERE, "corpus", "where"))
    parser.add_argument("--runs", type=int, default=11)
    args = parser.parse_args()
    args.gate = os.path.abspath(args.gate)
    args.base_gate = os.path.abspath(args.base_gate)
    target = copy_pages(args.pages, args.dir)
    names = page_list(target)
    names_file = os.path.join(args.dir, "names")
    with open(names_file, "w") as out:
        out.write("".join(name + "\n" for name in names))
    size = sum(os.path.getsize(os.path.join(target, name)) for name in names)
    print(f"{len(names)} pages, {size / 1e6:.1f} MB")
    commands = {name: with_sets(command, args)
                for name, command in variants(args, names_file).items()}
    same_reports(commands, target)
    counts = {name: instructions(command, target) for name, command in commands.items()}
    print("| variant | instructions | against base list |")
    print("|---|---|---|")
    for name, count in counts.items():
        print(f"| {name} | {count:,} | {count / counts['base list']:.3f}x |")
    timed = {}
    for name, command in commands.items():
        timed[name] = command
        timed[name + " -j1"] = command + ["--jobs", "1"]
    result = gate_bench.medians(timed, target, args.runs)
    print(f"| variant | wall (median of {args.runs}) | CPU | wall / base | CPU / base |")
    print("|---|---|---|---|---|")
    for name, (wall, cpu) in result.items():
        base = result["base list -j1" if name.endswith("-j1") else "base list"]
        print(f"| {name} | {wall * 1000:.1f} ms | {cpu * 1000:.1f} ms | "
              f"{wall / base[0]:.3f}x | {cpu / base[1]:.3f}x |")


if __name__ == "__main__":
    main()
