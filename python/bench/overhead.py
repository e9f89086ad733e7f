#!/usr/bin/env python3
"""What each Python call costs beyond the C work it asks for, as ratios
against a yardstick measured in the same run:

  tick     Stream.update(float), against a bare ctypes call of a C function
           of one double (libm's fabs): at most 4x
  row      Streams.update of one 5,000-symbol float64 row, against the same
           book call made directly through ctypes, the row cast into a
           prepared float32 buffer: at most 1.3x
  polars   a 10,000 x 1,000 Polars DataFrame, against the same table
           through pandas: at most 1.15x
  fortran  a float32 10,000 x 1,000 table in Fortran order, against C
           order: at most 1.3x
  sweep    a sweep of 5,000 parameter sets over 10,000 samples returning a
           DataFrame, against the same sweep returning the array: at most 2x
  threads  the default thread count against one thread, on a small, a
           middling and a large table: never more than 1.1x

    TSFILTERS_LIBRARY=build/default/libtsfilters.so build/python-venv/bin/python \\
        python/bench/overhead.py

Run it with the pinned PyPI environment's interpreter (it needs pandas and
Polars). Contenders are interleaved and the fastest run of each counts, to
keep a busy machine's noise out; nothing fails, it reports.
"""

import argparse
import ctypes
import ctypes.util
import os
import platform
import sys
from pathlib import Path

import numpy as np
import pandas as pd
import polars as pl

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import tsfilters  # noqa: E402
from timing import best, per_call, processor  # noqa: E402
from tsfilters._engine import lanes as _lanes, stream_library as _stream_library  # noqa: E402

NAME = "ultimate_smoother"


def report(what, t, subject, yardstick, bound, calls=1):
    ratio = t[subject] / t[yardstick]
    unit, scale = ("us", 1e6) if t[subject] / calls < 1e-2 else ("ms", 1e3)
    print(f"{what:8} {t[subject] / calls * scale:9.2f} {unit} vs {t[yardstick] / calls * scale:9.2f} "
          f"{unit}   {ratio:5.2f}x  (at most {bound}x){'' if ratio <= bound else '  OVER'}")


def tick(repeats):
    libm = ctypes.CDLL(ctypes.util.find_library("m"))
    fabs = libm.fabs
    fabs.argtypes, fabs.restype = (ctypes.c_double,), ctypes.c_double
    stream = tsfilters.Stream(NAME)
    calls = 2_000
    t = best({"update": per_call(lambda: stream.update(71.25), calls),
              "ctypes": per_call(lambda: fabs(71.25), calls)}, repeats)
    report("tick", t, "update", "ctypes", 4, calls)


def row(repeats):
    lanes = 5_000
    streams = tsfilters.Streams(NAME, lanes, threads=1)
    values = 100 + np.random.default_rng(2).standard_normal(lanes)
    lib = _stream_library.functions()
    book = tsfilters.Streams(NAME, lanes)._book  # the same book, called by hand
    buffer = np.empty(lanes, np.float32)
    out = np.empty(lanes, np.float32)
    source, target = buffer.ctypes.data, out.ctypes.data

    def direct():
        buffer[:] = values
        lib.book_update(book.address, source, target)

    calls = 50
    t = best({"update": per_call(lambda: streams.update(values), calls),
              "direct": per_call(direct, calls)}, repeats)
    report("row", t, "update", "direct", 1.3, calls)


def tables(repeats):
    rng = np.random.default_rng(1)
    table = (100 + rng.standard_normal((10_000, 1_000)).cumsum(axis=0)).astype(np.float32)
    frame = pd.DataFrame(table, columns=[f"c{j}" for j in range(1_000)])
    polars = pl.from_pandas(frame)
    fortran = np.asfortranarray(table)
    function = tsfilters.FILTERS[NAME][0]
    t = best({"polars": lambda: function(polars), "pandas": lambda: function(frame),
              "fortran": lambda: function(fortran), "c": lambda: function(table)}, repeats)
    report("polars", t, "polars", "pandas", 1.15)
    report("fortran", t, "fortran", "c", 1.3)


def sweep(repeats):
    series = (100 + np.random.default_rng(3).standard_normal(10_000).cumsum()).astype(np.float32)
    grid = {"gamma": list(np.linspace(0.05, 0.95, 50)), "period": list(range(10, 110))}
    t = best({"frame": lambda: tsfilters.sweep(series, "laguerre_filter", **grid),
              "array": lambda: tsfilters.sweep(series, "laguerre_filter", frame=False, **grid)},
             repeats)
    report("sweep", t, "frame", "array", 2)


def threads(repeats):
    function = tsfilters.FILTERS[NAME][0]
    rng = np.random.default_rng(4)
    for rows, columns in ((500, 64), (2_000, 400), (10_000, 1_000)):
        table = (100 + rng.standard_normal((rows, columns)).cumsum(axis=0)).astype(np.float32)
        calls = max(1, 2_000_000 // (rows * columns))
        t = best({"default": per_call(lambda: function(table), calls),
                  "one": per_call(lambda: function(table, threads=1), calls)}, repeats)
        report(f"{rows}x{columns}", t, "default", "one", 1.1, calls)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeats", type=int, default=7)
    args = parser.parse_args()
    lib = _stream_library.functions()
    print(f"{processor()}, {_lanes.cores()} cores usable, load {os.getloadavg()[0]:.1f}, "
          f"SIMD {lib.simd_target().decode() if lib.simd_target else 'none'}, "
          f"Python {platform.python_version()}, numpy {np.__version__}, pandas "
          f"{pd.__version__}, polars {pl.__version__}; pid {os.getpid()}")
    for part in (tick, row, tables, sweep, threads):
        part(args.repeats)


if __name__ == "__main__":
    main()
