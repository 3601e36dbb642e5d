#!/usr/bin/env python3
"""Plants small faults in a source file, one at a time, and tells which ones no test catches.

    python3 scripts/mutate.py src/workflows/batch_session.cpp \\
        --test vexa_workflows_tests --filter 'BatchSession*' [--lines 40-70] [--git]

For each mutant (a flipped comparison, a swapped && / ||, a dropped statement, an off-by-one,
true/false, a ternary's branches swapped) the file is changed, the test program rebuilt in
build/ with ninja and run with the gtest filter; the file is put back after each one, also on
Ctrl+C. A mutant that does not compile is skipped; one whose tests still pass "survives" and
is listed with its line, so that a test can be written that fails on it.

--git limits the mutants to the lines that differ from HEAD (the lines a change touched).
"""
import argparse
import os
import re
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (pattern, replacement, what) applied to one occurrence at a time.
OPERATORS = [
    (r"<=", ">", "<= to >"),
    (r">=", "<", ">= to <"),
    (r"(?<![<>=!-])<(?![<=])", "<=", "< to <="),
    (r"(?<![<>=-])>(?![>=])", ">=", "> to >="),
    (r"==", "!=", "== to !="),
    (r"!=", "==", "!= to =="),
    (r"&&", "||", "&& to ||"),
    (r"\|\|", "&&", "|| to &&"),
    (r"\btrue\b", "false", "true to false"),
    (r"\bfalse\b", "true", "false to true"),
    (r"\+ 1\b", "- 1", "+ 1 to - 1"),
    (r"- 1\b", "+ 1", "- 1 to + 1"),
    (r"\+=", "-=", "+= to -="),
    (r"\bmin\(", "max(", "min to max"),
    (r"\bmax\(", "min(", "max to min"),
]

SKIP_LINE = re.compile(r"^\s*(//|#|\*|/\*)|\b(template|operator|static_assert)\b")
DROPPABLE = re.compile(r"^\s*[A-Za-z_][\w:.\->\[\]]*\s*(=|\+=|-=|\(|\.)[^;{}]*;\s*$")


def changed_lines(path):
    out = subprocess.run(["git", "diff", "-U0", "HEAD", "--", path], cwd=ROOT,
                         capture_output=True, text=True).stdout
    lines = set()
    for m in re.finditer(r"^@@ -\d+(?:,\d+)? \+(\d+)(?:,(\d+))? @@", out, re.M):
        start, count = int(m.group(1)), int(m.group(2) or 1)
        lines.update(range(start, start + count))
    return lines


def mutants(text, wanted):
    lines = text.split("\n")
    for i, line in enumerate(lines):
        n = i + 1
        if wanted is not None and n not in wanted:
            continue
        if SKIP_LINE.search(line) or "include" in line:
            continue
        code = line.split("//")[0]
        for pattern, repl, what in OPERATORS:
            for m in re.finditer(pattern, code):
                new = line[:m.start()] + repl + line[m.end():]
                yield n, what, lines[:i] + [new] + lines[i + 1:]
        if DROPPABLE.match(code) and not code.strip().startswith("return"):
            yield n, "statement dropped", lines[:i] + [""] + lines[i + 1:]
        t = re.search(r"\?\s*([^:?]+?)\s*:\s*([^;:?]+?)\s*;", code)
        if t:
            swapped = line[:t.start()] + "? " + t.group(2) + " : " + t.group(1) + ";" + \
                line[t.end():]
            yield n, "ternary branches swapped", lines[:i] + [swapped] + lines[i + 1:]


def run(cmd, timeout):
    try:
        return subprocess.run(cmd, cwd=ROOT, capture_output=True, text=True,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("file")
    ap.add_argument("--test", required=True, help="test program target, e.g. vexa_store_tests")
    ap.add_argument("--filter", default="*", help="gtest filter")
    ap.add_argument("--lines", help="only these lines, e.g. 40-70")
    ap.add_argument("--git", action="store_true", help="only lines changed since HEAD")
    ap.add_argument("--max", type=int, default=200)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    a = ap.parse_args()

    path = os.path.join(ROOT, a.file) if not os.path.isabs(a.file) else a.file
    original = open(path, encoding="utf-8").read()
    wanted = None
    if a.lines:
        lo, hi = (int(x) for x in a.lines.split("-"))
        wanted = set(range(lo, hi + 1))
    if a.git:
        wanted = changed_lines(os.path.relpath(path, ROOT)) & (wanted or set(range(1, 10**7)))

    def restore(*_):
        open(path, "w", encoding="utf-8").write(original)
        sys.exit(1)

    signal.signal(signal.SIGINT, restore)
    program = os.path.join(a.build, "tests", a.test)
    env_run = ["env", "QT_QPA_PLATFORM=offscreen", program, "--gtest_filter=" + a.filter,
               "--gtest_brief=1"]
    killed = survived = skipped = 0
    survivors = []
    try:
        for k, (line, what, new_lines) in enumerate(mutants(original, wanted)):
            if k >= a.max:
                break
            open(path, "w", encoding="utf-8").write("\n".join(new_lines))
            if run(["ninja", "-C", a.build, "tests/" + a.test], 900) != 0:
                skipped += 1
                continue
            if run(env_run, 600) != 0:
                killed += 1
                print(f"  killed   {a.file}:{line}  {what}", flush=True)
            else:
                survived += 1
                survivors.append((line, what))
                print(f"  SURVIVED {a.file}:{line}  {what}", flush=True)
    finally:
        open(path, "w", encoding="utf-8").write(original)
        run(["ninja", "-C", a.build, "tests/" + a.test], 900)
    print(f"{killed} killed, {survived} survived, {skipped} did not compile")
    for line, what in survivors:
        print(f"survivor: {a.file}:{line}: {what}")
    return 1 if survivors else 0


if __name__ == "__main__":
    sys.exit(main())
