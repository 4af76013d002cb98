#!/usr/bin/env python3
"""Runs scope-demo offscreen and reads its scope file with Python's csv module, the way a
user's own analysis script would."""

import csv
import math
import re
import subprocess
import sys
import tempfile
from pathlib import Path

CURVE_FIELD = re.compile(r".+_-?\d+_-?\d+_.*")


def fail(message):
    print(f"FAIL: {message}")
    return 1


def run_demo(demo, output):
    return subprocess.run(
        [demo, "--offscreen", "--seconds", "2", "--output", str(output)],
        cwd=output.parent, capture_output=True, text=True, timeout=180, check=False)


def check_rows(header, rows):
    if not rows:
        return "no data rows"
    previous = -math.inf
    for number, row in enumerate(rows, start=2):
        if len(row) != len(header):
            return f"line {number} has {len(row)} fields, the header {len(header)}"
        time = float(row[0])
        if time < previous:
            return f"line {number}: time {time} goes back"
        previous = time
        for value in row[1:]:
            if value:
                float(value)
    return None


def main():
    demo = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        output = Path(work) / "out"
        result = run_demo(demo, output)
        print(result.stdout, result.stderr, sep="")
        if result.returncode != 0:
            return fail(f"scope-demo exited with {result.returncode}")
        scope_file = output / "scope.csv"
        if not scope_file.exists():
            return fail("no scope file")
        with scope_file.open(newline="", encoding="utf-8") as stream:
            table = list(csv.reader(stream))
        header, rows = table[0], table[1:]
        if header[0] != "time" or len(header) < 2:
            return fail(f"header {header}")
        bad = [field for field in header[1:] if not CURVE_FIELD.fullmatch(field)]
        if bad:
            return fail(f"header fields not title_axis_item_unit: {bad}")
        try:
            problem = check_rows(header, rows)
        except ValueError as error:
            problem = str(error)
        if problem:
            return fail(problem)
        print(f"OK: {len(header) - 1} curves, {len(rows)} rows")
        return 0


if __name__ == "__main__":
    sys.exit(main())
