#!/usr/bin/env python3
"""The README's trigger example, run by the demo: J6 Target ACS > 20, open grab, delay -500,
period 700, repeat with a captures folder. Every saved capture must hold 500 ms before its
trigger instant and 200 ms after it, to one sample, and its metadata must say so. Only the
last one may be cut short by the demo's Stop, and then its metadata must say it is not whole.

    check_capture_example.py SCOPE_DEMO WORK_DIR
"""
import csv
import json
import pathlib
import shutil
import subprocess
import sys

CHANNEL = "J6 Target ACS"
THRESHOLD = 20.0
DELAY_MS = -500.0
PERIOD_MS = 700.0
CYCLE_MS = 1.0  # the demo's simulated controller cycle


def fail(message):
    print("capture example: " + message)
    sys.exit(1)


def check_capture(path, last):
    meta = json.loads(pathlib.Path(str(path) + ".json").read_text())
    trigger = meta.get("trigger")
    if not trigger or trigger["channel"] != CHANNEL or trigger.get("delay") != DELAY_MS:
        fail(f"{path.name}: the metadata names no trigger on {CHANNEL} with delay -500: {meta}")
    with path.open(newline="") as f:
        rows = list(csv.reader(f))
    header, rows = rows[0], rows[1:]
    column = next((k for k, field in enumerate(header) if field.startswith(CHANNEL + "_")), None)
    if column is None:
        fail(f"{path.name}: no {CHANNEL} column in {header}")
    times = [float(row[0]) for row in rows]
    instant = trigger["instant"] - meta["controllerTime"] + meta["firstRowTime"]
    before = instant - times[0]
    after = times[-1] - instant
    if not (-DELAY_MS - CYCLE_MS < before <= -DELAY_MS):
        fail(f"{path.name}: {before:.3f} ms before the instant, not 500")
    whole = PERIOD_MS + DELAY_MS - CYCLE_MS <= after <= PERIOD_MS + DELAY_MS
    if trigger.get("whole") != whole:
        fail(f"{path.name}: {after:.3f} ms after the instant, yet its metadata says whole is "
             f"{trigger.get('whole')}")
    if not whole and (not last or after > PERIOD_MS + DELAY_MS):
        fail(f"{path.name}: {after:.3f} ms after the instant, not 200")
    at = times.index(min(times, key=lambda t: abs(t - instant)))
    if abs(times[at] - instant) > 1e-6:
        fail(f"{path.name}: no row at the instant {instant}")
    value, previous = float(rows[at][column]), float(rows[at - 1][column])
    if not (value > THRESHOLD >= previous):
        fail(f"{path.name}: the instant is no crossing of {THRESHOLD}: {previous} then {value}")
    return before, after


def main():
    demo, work = sys.argv[1], pathlib.Path(sys.argv[2])
    shutil.rmtree(work, ignore_errors=True)
    captures = work / "captures"
    run = subprocess.run(
        [demo, "--offscreen", "--seconds", "13", "--period", str(int(PERIOD_MS)),
         "--trigger", f"{CHANNEL}>{THRESHOLD:g}@{DELAY_MS:g}", "--captures", str(captures),
         "--output", str(work / "output")],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=120)
    if run.returncode != 0:
        fail(f"the demo failed ({run.returncode}):\n{run.stdout}")
    files = sorted(captures.glob("*.csv"))
    if len(files) < 2:
        fail(f"{len(files)} capture(s) saved in 13 s of a 4 s motion:\n{run.stdout}")
    for path in files:
        before, after = check_capture(path, path == files[-1])
        print(f"{path.name}: {before:.1f} ms before the trigger, {after:.1f} ms after")
    print(f"capture example: {len(files)} captures, each with the trigger at 500 ms")


if __name__ == "__main__":
    main()
