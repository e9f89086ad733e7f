#!/usr/bin/python3
"""Speed and memory of the command line and of pandas input on a long series.

    TSFILTERS_LIBRARY=build/default/libtsfilters.so /usr/bin/python3 python/bench/speed.py

Writes a 1,000,000-row price file (minute bars, ISO time stamps) to a
temporary directory, then reports for each command its wall time and peak
memory (the child's maximum resident set), and the cost of one filter call on
a pandas Series against a float32 array. Each figure is the best of a few
runs; nothing here fails on a slow machine, it only reports.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

PYTHON_DIR = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(PYTHON_DIR))
LAUNCHER = [sys.executable, str(PYTHON_DIR / "bin" / "tsfilters")]


def write_prices(path, rows):
    rng = np.random.default_rng(1)
    close = np.round(50 + np.cumsum(rng.normal(0, 0.05, rows)), 2)
    stamps = np.datetime64("2000-01-03T00:00") + np.arange(rows).astype("timedelta64[m]")
    text = np.char.add(np.char.add(np.datetime_as_string(stamps).astype("U16"), ","),
                       np.char.mod("%.2f", close))
    with open(path, "w") as f:
        f.write("date,close\n")
        f.write("\n".join(text.tolist()))
        f.write("\n")


# Runs a command and prints its wall time, CPU time and peak memory. A
# process's peak resident set includes what it inherited before exec, so the
# measuring parent must be this small one, not the benchmark with its arrays.
_MEASURE = """
import os, sys, time
start = time.perf_counter()
pid = os.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:])
_, status, usage = os.wait4(pid, 0)
print(time.perf_counter() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss,
      os.waitstatus_to_exitcode(status))
"""


def run(arguments, repeat):
    """Best wall time and CPU time (s) and the largest peak RSS (MB) over
    `repeat` runs. CPU time (user + system) is the figure to compare on a
    busy machine, where wall time also counts waiting for a core."""
    best, cpu, peak = float("inf"), float("inf"), 0.0
    for _ in range(repeat):
        out = subprocess.run([sys.executable, "-c", _MEASURE] + LAUNCHER + arguments,
                             stdout=subprocess.PIPE, text=True, check=True).stdout
        elapsed, used, kilobytes, status = out.split()[-4:]
        if int(status) != 0:
            raise SystemExit(f"tsfilters {' '.join(arguments)} failed with status {status}")
        best = min(best, float(elapsed))
        cpu = min(cpu, float(used))
        peak = max(peak, int(kilobytes) / 1024)
    return best, cpu, peak


def per_call(function, inputs, repeat=200):
    """Fastest call on each input; the inputs take turns, so that a busy
    spell of the machine hits them alike."""
    best = [float("inf")] * len(inputs)
    for _ in range(repeat):
        for i, x in enumerate(inputs):
            start = time.perf_counter()
            function(x, 20)
            best[i] = min(best[i], time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--repeat", type=int, default=3)
    options = parser.parse_args()

    import pandas as pd

    import tsfilters

    with tempfile.TemporaryDirectory() as scratch:
        prices = os.path.join(scratch, "prices.csv")
        write_prices(prices, options.rows)
        seven = [a for name in tsfilters.FILTERS for a in ("--filter", name)]
        commands = [
            ("apply, one filter", ["apply", prices, "-o", os.path.join(scratch, "one.csv")]),
            ("apply, seven filters", ["apply", prices, "-o", os.path.join(scratch, "seven.csv")]
             + seven),
            ("plot, seven filters", ["plot", prices, "-o", os.path.join(scratch, "chart.png")]),
        ]
        print(f"{options.rows:,} rows, best of {options.repeat}; load average "
              f"{os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
        print(f"{'command':<24}{'wall s':>9}{'CPU s':>9}{'peak MB':>9}")
        for label, arguments in commands:
            seconds, cpu, megabytes = run(arguments, options.repeat)
            print(f"{label:<24}{seconds:>9.2f}{cpu:>9.2f}{megabytes:>9.0f}")

        frame = pd.read_csv(prices, index_col="date", parse_dates=True)
        series = frame["close"]
        array32 = series.to_numpy(np.float32)
        array_time, series_time = per_call(tsfilters.ultimate_smoother, [array32, series])
        print(f"\nultimate_smoother on {len(series):,} samples, best of 200 calls:")
        print(f"  float32 array          {array_time * 1e3:7.2f} ms")
        print(f"  float64 Series (dated) {series_time * 1e3:7.2f} ms  "
              f"({series_time / array_time:.2f}x the array)")


if __name__ == "__main__":
    main()
