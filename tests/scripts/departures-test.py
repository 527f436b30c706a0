#!/usr/bin/env python3
"""Every entry of docs/departures.md names tests, and every test it names exists.

Usage: departures-test.py SOURCE_DIR

A test exists when a test source under tests/ defines it with
TEST/TEST_F/TEST_P(Suite, Case) or a CMake file adds it by that name.
"""
import glob
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.getcwd()
defined = set()
for path in glob.glob(os.path.join(root, "tests", "**", "*.cpp"), recursive=True):
    with open(path, encoding="utf-8", errors="replace") as f:
        for suite, case in re.findall(r"\bTEST(?:_F|_P)?\(\s*(\w+)\s*,\s*(\w+)\s*\)", f.read()):
            defined.add(f"{suite}.{case}")
for path in glob.glob(os.path.join(root, "tests", "**", "CMakeLists.txt"), recursive=True):
    with open(path, encoding="utf-8") as f:
        defined.update(re.findall(r"add_test\(NAME\s+(\w+\.\w+)", f.read()))

with open(os.path.join(root, "docs", "departures.md"), encoding="utf-8") as f:
    entries = re.split(r"^### ", f.read(), flags=re.M)[1:]
problems = []
for entry in entries:
    title = entry.splitlines()[0]
    test_line = re.search(r"^- Test:(.*(?:\n  .*)*)", entry, flags=re.M)
    named = re.findall(r"`(\w+\.\w+)`", test_line.group(1)) if test_line else []
    if not named:
        problems.append(f"{title}: names no test")
    problems += [f"{title}: no test {name}" for name in named if name not in defined]
for problem in problems:
    print(problem)
print(f"{len(entries)} departures, {len(problems)} problems")
sys.exit(1 if problems or len(entries) < 10 else 0)
