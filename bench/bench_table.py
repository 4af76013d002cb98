#!/usr/bin/env python3
"""Runs the scope's benchmarks in a Release build folder and prints one table: each figure
next to its baseline measured in the same run, and their ratio against the target.

    bench/bench_table.py BUILD_DIR
"""
import json
import os
import re
import resource
import subprocess
import sys
import tempfile
import time

SIZES = [10000, 100000, 1000000]
DEMO_SELECTION = ("J1,J2,J3,J4,J5,J6,Target ACS,Actual ACS,Actual FilACS,TarPos PDO,"
                  "ActPos PDO,Target JointVel")
DEMO_SECONDS = 20
# Three scopes of 12 channels (the demo gives the second and third joint currents and
# torques), and the same 36 channels in one scope.
SHARED_SELECTION = "J1,J2,J3,J4,J5,J6,Target ACS,Actual ACS"
SHARED_AS_ONE = ("J1,J2,J3,J4,J5,J6,Target ACS,Actual ACS,Actual Cur,Target Cur,FilSensedTor,"
                 "FilCur")


def label(n):
    return f"{n // 1000000}M" if n >= 1000000 else f"{n // 1000}k"


def run_benchmark(binary, pattern, clock="cpu_time"):
    """Time per iteration in seconds, by benchmark name: CPU time by default, since the machine
    may be shared and most figures here are work done on one thread; wall-clock time
    ("real_time") where the work is spread over threads."""
    out = subprocess.run([binary, f"--benchmark_filter={pattern}", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return {re.sub(r"/(iterations:\d+|process_time|real_time)", "", b["name"]):
            b[clock] * scale[b["time_unit"]]
            for b in json.loads(out)["benchmarks"]}


def run_throughput(binary):
    """Bytes per second by benchmark name, from the JSON file Google Benchmark writes beside
    a program's own console table."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([binary, f"--benchmark_out={out.name}", "--benchmark_out_format=json"],
                       check=True, capture_output=True)
        return {b["name"]: b["bytes_per_second"] for b in json.load(open(out.name))["benchmarks"]}


def run_counters(binary):
    """Counters by benchmark name, each with its time per iteration as "time" (seconds)."""
    out = subprocess.run([binary, "--benchmark_format=json"], check=True, capture_output=True,
                         text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return {b["name"].split("/")[0]: dict(b, time=b["real_time"] * scale[b["time_unit"]])
            for b in json.loads(out)["benchmarks"]}


def run_json(binary, *arguments):
    """The JSON object a program prints last."""
    out = subprocess.run([binary, *map(str, arguments)], check=True, capture_output=True,
                         text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    return json.loads(out.strip().splitlines()[-1])


def run_memory(binary, samples):
    return run_json(binary, samples)


def run_demo(build, selection=None, scopes=1):
    """CPU of the demo against one core over the same wall time."""
    with tempfile.TemporaryDirectory() as output:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        subprocess.run([os.path.join(build, "bin", "scope-demo"), "--offscreen",
                        "--plugin", os.path.join(build, "lib", "qt5", "plugins", "designer",
                                                 "libTarnPlugin_Scope.so"),
                        "--seconds", str(DEMO_SECONDS), "--period", "10000", "--cycle-ms", "1",
                        "--select", selection or DEMO_SELECTION, "--scopes", str(scopes),
                        "--output", output],
                       check=True, capture_output=True,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        wall = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall


RECORDER_QUANTITIES = ("Target ACS", "Actual ACS", "Target JointVel", "Actual JointVel",
                       "Target Cur", "Actual Cur")
RECORDER_CHANNELS = ",".join(f"J{j} {q}" for j in range(1, 7) for q in RECORDER_QUANTITIES)
RECORDER_WINDOW_S = 30


def resident_bytes(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def run_recorder(build, window_s):
    """tarnscope-record at 36 ch x 1 kHz recording to file until its window is full and for
    ten seconds more: its CPU against one core over the same wall time, and its largest
    resident memory."""
    with tempfile.TemporaryDirectory() as output:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        process = subprocess.Popen(
            [os.path.join(build, "bin", "tarnscope-record"), "--channels", RECORDER_CHANNELS,
             "--period", str(window_s * 1000), "--record-to", os.path.join(output, "run.csv"),
             "--duration", str(window_s + 10), "--status-seconds", "0"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peak = 0
        while process.poll() is None:
            peak = max(peak, resident_bytes(process.pid))
            time.sleep(0.5)
        wall = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if process.returncode != 0:
            sys.exit(f"tarnscope-record ended with {process.returncode}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall, peak


def seconds(value):
    for unit, factor in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6), ("ns", 1e-9)):
        if value >= factor:
            return f"{value / factor:.3g} {unit}"
    return f"{value / 1e-9:.3g} ns"


def megabytes(value):
    return f"{value / 2**20:.0f} MB"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    binary = lambda name: os.path.join(build, "bin", name)
    rows = []

    def row(figure, size, value, baseline_name, baseline, target=None, fmt=seconds, at_least=False):
        ratio = value / baseline
        met = "" if target is None else ("yes" if (ratio >= target if at_least else ratio <= target)
                                         else "NO")
        bound = "" if target is None else f"{'>=' if at_least else '<='} {target:g}"
        rows.append((figure, size, fmt(value), f"{baseline_name}: {fmt(baseline)}",
                     f"{ratio:.3g}", bound, met))

    append = run_benchmark(binary("bench_samplebuffer"), "BM_AppendFullWindow")
    refresh = run_benchmark(binary("bench_refresh"), ".")
    for n in SIZES:
        row("append + trim per record", label(n), append[f"BM_AppendFullWindow/{n}"],
            "window 1k", append["BM_AppendFullWindow/1000"], 2 if n == SIZES[-1] else None)
    for n in SIZES:
        row("refresh tick", label(n), refresh[f"BM_RefreshTick/{n}"], "tick at 10k",
            refresh["BM_RefreshTick/10000"], 1.5 if n == SIZES[-1] else None)
    row("refresh, whole window", "3.6M", refresh["BM_RefreshWhole/3600000"], "same at 10k",
        refresh["BM_RefreshWhole/10000"], 1.5)
    # Read on several threads when there is much to read: what the operator waits for.
    rescale = run_benchmark(binary("bench_refresh"), "BM_RescaleWhole", clock="real_time")
    row("whole window at a new time scale (wall)", "3.6M", rescale["BM_RescaleWhole/3600000"],
        "same at 10k", rescale["BM_RescaleWhole/10000"], 1.5)
    row("zoom into one second", "3.6M", refresh["BM_ZoomSecond/3600000"], "same at 10k",
        refresh["BM_ZoomSecond/10000"], 1.5)
    row("statistics, whole window", "3.6M", refresh["BM_StatisticsWhole/3600000"],
        "one second", 1.0, 1.0)
    for n in SIZES:
        row("refresh tick", label(n), refresh[f"BM_RefreshTick/{n}"], "memcpy of 37 windows",
            refresh[f"BM_MemcpyWindows/{n}"], 3 if n == SIZES[-1] else None)
    for n in SIZES:
        row("tracker lookup", label(n), refresh[f"BM_TrackerLookup/{n}"], "brute force",
            refresh[f"BM_TrackerBruteForce/{n}"], 0.01 if n == SIZES[-1] else None)
    for n in SIZES:
        row("tracker lookup", label(n), refresh[f"BM_TrackerLookup/{n}"], "lookup at 10k",
            refresh["BM_TrackerLookup/10000"], 3 if n == SIZES[-1] else None)
    row("refresh tick, 12 derived channels", "1M", refresh["BM_RefreshTickDerived/1000000"],
        "tick without them", refresh["BM_RefreshTick/1000000"], 1.5)
    derived = run_benchmark(binary("bench_derived"), "BM_DerivedByRecord")
    row("36 derived channels, 1 s at 1 kHz", "36k values", derived["BM_DerivedByRecord"],
        "1 s of one core", 1.0, 0.05)
    # A property getter over 36 x 1M samples: at most 1 us, and no dearer than over 36 x 1k.
    channels = run_benchmark(binary("bench_channels"), ".")
    row("channels() getter, 36 curves", "1M", channels["BM_Channels/1000000"], "1 us", 1e-6,
        1.0)
    row("channels() getter, 36 curves", "1M", channels["BM_Channels/1000000"], "same at 1k",
        channels["BM_Channels/1000"], 1.5)
    spectrum = run_benchmark(binary("bench_spectrum"), ".")
    row("amplitude spectrum, flat top", "1M", spectrum["BM_Spectrum/1000000"],
        "summing the values", spectrum["BM_SumValues/1000000"])
    row("amplitude spectrum, flat top", "1M", spectrum["BM_Spectrum/1000000"], "100 ms", 0.1, 1.0)
    row("amplitude spectrum, computed and drawn", "1M", spectrum["BM_SpectrumShown/1000000"],
        "100 ms", 0.1, 1.0)
    row("amplitude spectrum, flat top, prime n", "999983", spectrum["BM_Spectrum/999983"],
        "100 ms", 0.1, 1.0)
    memory = {n: run_memory(binary("bench_memory"), n) for n in SIZES}
    for kind, target in (("steady", None), ("peak", 2.2)):
        for n in SIZES:
            row(f"resident memory, {kind}", label(n), memory[n][kind], "raw 37 x 8 B x n",
                memory[n]["raw"], target if n == SIZES[-1] else None, megabytes)
    files = run_throughput(binary("bench_scopefile"))
    rate = lambda value: f"{value / 1e6:.0f} MB/s"
    row("scope file export, 36 curves", "10k", files["BM_Export"],
        "QString::number + QTextStream", files["BM_ExportBaseline"], 3, rate, at_least=True)
    row("scope file import, 36 curves", "10k", files["BM_Import"],
        "QString::split + toDouble", files["BM_ImportBaseline"], 4, rate, at_least=True)
    hour = run_counters(binary("bench_bigfile"))
    streamed, whole = hour["BM_ImportHour"], hour["BM_ImportHourWholeFile"]
    speed = lambda run: run["file_bytes"] / run["cpu_s"]
    row("import of 1 h (36 curves)", "3.6M", speed(streamed), "whole file read, then parsed",
        speed(whole), 1, rate, at_least=True)
    row("import of 1 h, peak memory", "3.6M", streamed["peak_bytes"], "raw 37 x 8 B x n",
        streamed["raw_bytes"], 1.3, megabytes)
    row("import of 1 h, peak with plot columns", "3.6M", streamed["peak_with_columns_bytes"],
        "raw 37 x 8 B x n", streamed["raw_bytes"], 1.3, megabytes)
    record = run_benchmark(binary("bench_recordtofile"), ".")
    row("record to file, 36 ch 1 kHz", "1 s", record["BM_RecordOneSecond"],
        "one core for the second recorded", 1.0, 0.05)
    row("record to file, 36 ch 1 kHz", "1 s", record["BM_RecordOneSecond"],
        "formatting the rows to memory", record["BM_FormatOneSecond"])
    cpu, wall = run_demo(build)
    row("scope-demo CPU, 36 ch 1 kHz", "10k", cpu, f"one core over {DEMO_SECONDS} s run",
        wall, 0.10)
    cpu, wall, peak = run_recorder(build, RECORDER_WINDOW_S)
    row("tarnscope-record CPU, 36 ch 1 kHz to file", f"{RECORDER_WINDOW_S} s", cpu,
        "one core over the run", wall, 0.03)
    # What the window costs: the same program with a window of one second is the baseline.
    _, _, small = run_recorder(build, 1)
    raw = 37 * 8 * 1000 * RECORDER_WINDOW_S
    row("tarnscope-record memory above a 1 s window", f"{RECORDER_WINDOW_S} s", peak - small,
        "raw 37 x 8 B x window", raw, 1.2, megabytes)
    row("tarnscope-record resident memory", f"{RECORDER_WINDOW_S} s", peak,
        "raw 37 x 8 B x window", raw, None, megabytes)
    silence = run_json(binary("bench_guisilence"))
    # 50 ms of a 2 s stall at most; against a prompt controller only for comparison.
    row("GUI silence, set-up with a 2 s list call", "-", silence["stalled"], "the stall",
        silence["stall"], 0.025)
    row("GUI silence, set-up with a 2 s list call", "-", silence["stalled"],
        "same on a prompt controller", silence["prompt"])
    shared, _ = run_demo(build, SHARED_SELECTION, scopes=3)
    as_one, _ = run_demo(build, SHARED_AS_ONE)
    row("3 scopes x 12 ch on one controller, CPU", "10k", shared,
        "one scope with the same 36 ch", as_one, 1.2)

    header = ("figure (CPU time unless wall; file speeds in MB/s)", "n/ch", "value", "baseline (same run)", "ratio", "target",
              "met")
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    print("  ".join(h.ljust(w) for h, w in zip(header, widths)))
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)))


if __name__ == "__main__":
    main()
