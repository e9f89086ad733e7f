#!/usr/bin/env python3
"""One filter call on 1,000,000 samples held as a float32 NumPy array, a
pandas Series, a polars Series and a pyarrow Array, as ratios to the NumPy
call, and the time `import tsfilters` takes in a fresh interpreter.

    TSFILTERS_LIBRARY=build/default/libtsfilters.so build/python-venv/bin/python \\
        python/bench/columnar_speed.py

Run it with the interpreter of the pinned PyPI environment (newest numpy,
pandas, pyarrow, polars). Calls are interleaved and the fastest of each
counts, in CPU time, to keep a busy machine's noise out; nothing here
fails, it reports.
"""

import resource
import subprocess
import sys
import time
from pathlib import Path

import numpy as np

PYTHON_DIR = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(PYTHON_DIR))

import pandas as pd  # noqa: E402
import polars as pl  # noqa: E402
import pyarrow as pa  # noqa: E402

import tsfilters  # noqa: E402
from timing import processor  # noqa: E402


def best_import(code, repeat=10):
    """Fastest wall time and CPU time (ms) of a fresh interpreter running
    `code`, less those of an empty one. CPU time (user + system) is the
    figure to compare on a busy machine, where wall time also counts the
    wait for a core."""
    def run(text):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run([sys.executable, "-c", text], check=True, env={"PYTHONPATH": str(PYTHON_DIR)})
        wall = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        return wall, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    empty = [run("pass") for _ in range(repeat)]
    used = [run(code) for _ in range(repeat)]
    return tuple((min(u[i] for u in used) - min(e[i] for e in empty)) * 1e3 for i in (0, 1))


def main():
    rng = np.random.default_rng(1)
    closes = (50 + np.cumsum(rng.normal(0, 0.05, 1_000_000))).astype(np.float32)
    inputs = {"numpy float32": closes, "pandas Series": pd.Series(closes),
              "polars Series": pl.Series("close", closes), "pyarrow Array": pa.array(closes)}
    best = dict.fromkeys(inputs, float("inf"))
    for _ in range(30):
        for label, x in inputs.items():
            # The calling thread's CPU time: a 1-D series runs on it alone,
            # and time spent waiting for a core on a busy machine is left out.
            start = time.thread_time()
            tsfilters.super_smoother(x, period=10)
            best[label] = min(best[label], time.thread_time() - start)
    print(f"CPU: {processor()}; numpy {np.__version__}, pandas {pd.__version__}, "
          f"polars {pl.__version__}, pyarrow {pa.__version__}")
    print(f"{'super_smoother, 1M samples':28} {'CPU ms':>8} {'ratio':>7}")
    for label, seconds in best.items():
        print(f"{label:28} {seconds * 1e3:8.2f} {seconds / best['numpy float32']:7.3f}")
    for module in ("numpy", "tsfilters"):
        wall, cpu = best_import(f"import {module}")
        print(f"import {module:10} {wall:6.1f} ms wall, {cpu:6.1f} ms CPU")


if __name__ == "__main__":
    main()
