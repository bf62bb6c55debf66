#!/usr/bin/env python3
"""How near the gate's findings and notes come to a deleted name.

Takes real files of several formats that the gate passes (no finding at all),
deletes one open or close tag at a random place outside comments, strings and
verbatim regions (the whole tag: `{`, `</div>`, `\\end{itemize}`,
`{% endif %}`; with its line when it stands alone on it, as a line forgotten
would be), runs the gate on the file and reads its gnu output:

- detected: the gate says anything about the file;
- within one line: a finding or note stands within one line of the deleted
  tag's line;
- median distance: over the detected cases, the lines from the deleted tag to
  the nearest finding or note;
- findings kept (with --before): the findings (not the notes) are those of
  the earlier build, line for line: notes change no verdict.

The corpora are named by --root FORMAT=FOLDER (repeatable) or taken from where
Debian puts them; nothing is written into the repository:

  c           c-braces set   .c files under /tmp/corpora/glibc-2.36
                             (apt-get source or the glibc-source package,
                             unpacked there)
  cxx         c set          headers under /usr/include/c++/12 (braces deleted only)
  html-texi   html set       makeinfo pages under /usr/share/doc/texinfo
  html-node   html set       Node.js's docs under /usr/share/doc/nodejs
  html-valgrind html set     DocBook pages under /usr/share/doc/valgrind
  html-xslt   html set       generated pages under /usr/share/doc/libxslt1-dev
  latex       latex-generic  .tex documents (with \\begin{document}) under
                             /usr/share/doc/texlive-doc
  django      django set     Django's admin templates
                             (/usr/lib/python3/dist-packages/django/contrib/admin/templates)
  jinja       jinja set      mkdocs-material's templates (/usr/share/mkdocs/themes/material)
                             and sphinx_rtd_theme's (/usr/share/sphinx_rtd_theme)

Usage: edit_place_bench.py --gate BUILD/tamberlox-gate [--before OLD/tamberlox-gate]
           [--cases 200] [--seed 1] [--only c,latex] [--work /tmp/edit_place_bench]
           [--show N]   (print N cases missed by more than one line, for reading)
"""

import argparse
import os
import random
import re
import shutil
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SETS = os.path.join(os.path.dirname(HERE), "examples")

DJANGO = "/usr/lib/python3/dist-packages/django"
FORMATS = {
    "c": ("c-braces", ["/tmp/corpora/glibc-2.36"], r"\.c$"),
    "cxx": ("c", ["/usr/include/c++/12"], r"(^|/)[a-z_]+(\.h|\.tcc)?$"),
    "html-texi": ("html", ["/usr/share/doc/texinfo"], r"\.html$"),
    "html-node": ("html", ["/usr/share/doc/nodejs"], r"\.html$"),
    "html-valgrind": ("html", ["/usr/share/doc/valgrind"], r"\.html$"),
    "html-xslt": ("html", ["/usr/share/doc/libxslt1-dev"], r"\.html$"),
    "latex": ("latex-generic", ["/usr/share/doc/texlive-doc"], r"\.tex$"),
    "django": ("django", [DJANGO + "/contrib/admin/templates"], r"\.html$"),
    "jinja": ("jinja", ["/usr/share/mkdocs/themes/material",
                        "/usr/share/sphinx_rtd_theme"], r"\.html$"),
}


def blank_out(text, pattern, flags=0):
    """The text with what the pattern matches turned to spaces, lines kept."""
    return re.sub(pattern, lambda m: re.sub(r"[^\n]", " ", m.group(0)), text, flags=flags)


def c_masked(text):
    return blank_out(text, r'/\*.*?\*/|//[^\n]*|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                     re.S)


def html_masked(text):
    return blank_out(text, r"<!--.*?-->|<script.*?</script>|<style.*?</style>|<!\[CDATA\[.*?\]\]>",
                     re.S | re.I)


LATEX_VERBATIM = r"\\begin\{(verbatim\*?|Verbatim|BVerbatim|LVerbatim|lstlisting|minted|comment|tcblisting)\}.*?\\end\{\1\}"


def latex_masked(text):
    text = blank_out(text, r"(?<!\\)%[^\n]*")
    text = blank_out(text, LATEX_VERBATIM, re.S)
    return blank_out(text, r"\\verb\*?([^a-zA-Z\s]).*?\1")


def templates_masked(text):
    return blank_out(text, r"\{#.*?#\}|\{%[-+]?\s*(raw|verbatim|comment)\b.*?end\1\s*[-+]?%\}",
                     re.S)


def list_names(set_name):
    folder = os.path.join(SETS, set_name)
    with open(os.path.join(folder, "_tamberlox_opn.txt"), encoding="latin-1") as f:
        opens = [line.rstrip("\n") for line in f if line.strip()]
    with open(os.path.join(folder, "_tamberlox_cls.txt"), encoding="latin-1") as f:
        closes = [line.rstrip("\n") for line in f if line.strip()]
    return opens, closes


def tag_pattern(format_name):
    """A pattern for the whole tags whose deletion is planted."""
    set_name = FORMATS[format_name][0]
    opens, closes = list_names(set_name)
    if set_name in ("c-braces", "c"):
        return re.compile(r"[{}]")
    if set_name == "html":
        words = "|".join(re.escape(n[1:]) for n in opens)
        return re.compile(r"</?(?:%s)\b[^>]*>" % words, re.I)
    if set_name == "latex-generic":
        return re.compile(r"\\(?:begin|end)\{[^}\n]*\}")
    words = "|".join(re.escape(n[3:]) for n in opens + closes)
    return re.compile(r"\{%%[-+]?\s*(?:%s)\b.*?[-+]?%%\}" % words)


MASKS = {"c-braces": c_masked, "c": c_masked, "html": html_masked,
         "latex-generic": latex_masked, "django": templates_masked, "jinja": templates_masked}


def corpus_files(format_name, roots):
    pattern = re.compile(FORMATS[format_name][2])
    found = []
    for root in roots:
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                if pattern.search(path) and os.path.isfile(path) and not os.path.islink(path):
                    found.append(path)
    found.sort()
    if format_name == "latex":
        found = [p for p in found if b"\\begin{document}" in open(p, "rb").read()]
    return found


PLACED = re.compile(r"^(.*?):(\d+):(\d+): (error|warning|note): (.*)$")


def run_gate(gate, lists, paths):
    result = subprocess.run([gate, "--format=gnu", "--jobs=1", "--lists=" + lists] + paths,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return result.stdout.decode("latin-1")


def passing_files(gate, lists, files):
    """The files the gate says nothing about."""
    passing = []
    for i in range(0, len(files), 200):
        batch = files[i:i + 200]
        out = run_gate(gate, lists, batch)
        named = set()
        for line in out.splitlines():
            for path in batch:
                if line.startswith(path + ":"):
                    named.add(path)
        passing += [p for p in batch if p not in named]
    return passing


def read_report(out):
    """Its lines: (line or 0, severity, message)."""
    lines = []
    for text in out.splitlines():
        m = PLACED.match(text)
        if m:
            lines.append((int(m.group(2)), m.group(4), m.group(5)))
        elif ": error: " in text or ": warning: " in text or ": note: " in text:
            lines.append((0, "whole-file", text.split(": ", 1)[-1]))
    return lines


def distance(report, line):
    placed = [abs(at - line) for at, _, _ in report if at != 0]
    return min(placed) if placed else None


def findings_only(report):
    return [entry for entry in report if entry[1] != "note"]


def plant(rng, text, masked, pattern):
    spots = [m.span() for m in pattern.finditer(masked)]
    if not spots:
        return None
    start, end = rng.choice(spots)
    # A tag alone on its line goes with its line, as a line forgotten would.
    line_start = text.rfind("\n", 0, start) + 1
    line_end = text.find("\n", end)
    line_end = len(text) if line_end < 0 else line_end
    if not text[line_start:start].strip() and not text[end:line_end].strip():
        start, end = line_start, min(line_end + 1, len(text))
    return text[:start] + text[end:], text.count("\n", 0, start) + 1, text[start:end].strip()


def measure(format_name, args, roots):
    set_name = FORMATS[format_name][0]
    lists = os.path.join(SETS, set_name)
    files = corpus_files(format_name, roots)
    if not files:
        return None
    rng = random.Random(args.seed)
    rng.shuffle(files)
    files = passing_files(args.gate, lists, files[:2000])
    pattern = tag_pattern(format_name)
    mask = MASKS[set_name]
    work = os.path.join(args.work, format_name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cases = []
    tries = 0
    while files and len(cases) < args.cases and tries < args.cases * 20:
        tries += 1
        path = rng.choice(files)
        text = open(path, encoding="latin-1").read()
        planted = plant(rng, text, mask(text), pattern)
        if planted is None:
            continue
        changed, line, deleted = planted
        case = os.path.join(work, "%03d_%s" % (len(cases), os.path.basename(path)))
        with open(case, "w", encoding="latin-1") as f:
            f.write(changed)
        after = read_report(run_gate(args.gate, lists, [case]))
        before = read_report(run_gate(args.before, lists, [case])) if args.before else None
        cases.append((case, line, after, before, deleted))
    return cases


def figures(cases, which):
    detected = [(line, reports[which]) for _, line, *reports, _ in cases if reports[which]]
    near = sum(1 for line, r in detected if distance(r, line) is not None and distance(r, line) <= 1)
    dists = [distance(r, line) for line, r in detected if distance(r, line) is not None]
    return {"planted": len(cases), "detected": len(detected), "near": near,
            "median": statistics.median(dists) if dists else None}


def kept(cases):
    both = [(a, b) for _, _, a, b, _ in cases if b]
    return sum(1 for a, b in both if findings_only(a) == findings_only(b)), len(both)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--gate", required=True)
    parser.add_argument("--before")
    parser.add_argument("--cases", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", default=",".join(FORMATS))
    parser.add_argument("--root", action="append", default=[])
    parser.add_argument("--work", default="/tmp/edit_place_bench")
    parser.add_argument("--show", type=int, default=0)
    args = parser.parse_args()
    roots = {name: FORMATS[name][1] for name in FORMATS}
    for given in args.root:
        name, folder = given.split("=", 1)
        roots[name] = [folder]
    print("| format | set | planted | detected | within one line | median distance |"
          + (" before: within one line | before: median | findings kept |" if args.before else ""))
    print("|---|---|---|---|---|---|" + ("---|---|---|" if args.before else ""))
    for name in args.only.split(","):
        cases = measure(name, args, roots[name])
        if not cases:
            print("| %s | %s | no files under %s |" % (name, FORMATS[name][0], roots[name]))
            continue
        f = figures(cases, 0)
        row = "| %s | %s | %d | %d | %.0f %% | %s |" % (
            name, FORMATS[name][0], f["planted"], f["detected"],
            100.0 * f["near"] / max(f["detected"], 1), f["median"])
        if args.before:
            b = figures(cases, 1)
            same, total = kept(cases)
            row += " %.0f %% | %s | %d/%d |" % (100.0 * b["near"] / max(b["detected"], 1),
                                                b["median"], same, total)
        print(row, flush=True)
        missed = [(c, line, a, d) for c, line, a, _, d in cases
                  if a and (distance(a, line) is None or distance(a, line) > 1)]
        for case, line, after, deleted in missed[:args.show]:
            print("  missed %s deleted %r at line %d:" % (case, deleted, line), file=sys.stderr)
            for entry in after[:6]:
                print("    %s" % (entry,), file=sys.stderr)


if __name__ == "__main__":
    main()
