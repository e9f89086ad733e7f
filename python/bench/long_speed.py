#!/usr/bin/env python3
"""Long tables on shuffled tables of 500 symbols x 2,500 days and 20,000
symbols x 50 days: per_symbol on pandas and on Polars and the checked
Polars expression (`tsf.ewm...(by=, time=)` of this package), as ratios
to Polars' own `ewm_mean(span=20).over("symbol", order_by="date")`; where
per_symbol's time goes (reading the columns into codes, the sort, the
checks, the engine call, putting outputs back); and the engine call alone
against the same samples filtered as one series.

    TSFILTERS_LIBRARY=build/default/libtsfilters.so \\
    TSFILTERS_STREAM_LIBRARY=build/default/libtsfilters_stream.so \\
        build/python-venv/bin/python python/bench/long_speed.py

Run it with the interpreter of the pinned PyPI environment. Calls are
interleaved and the fastest of each counts (wall time: Polars uses every
core, and so does the engine call on a large table); nothing here fails,
it reports.
"""

import subprocess
import sys
from pathlib import Path

import numpy as np

PYTHON_DIR = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(PYTHON_DIR))

import pandas as pd  # noqa: E402
import polars as pl  # noqa: E402

import tsfilters  # noqa: E402
from timing import best  # noqa: E402
import tsfilters.polars  # noqa: E402,F401  (registers tsf)
from tsfilters import _calls, _long  # noqa: E402
from tsfilters._frames import long_table, pandas as _pandas_frames  # noqa: E402
from tsfilters._engine import segments as _segments  # noqa: E402

NAME, PARAMETERS = "super_smoother", {"period": 20}


def table(symbols, days, seed=1):
    rng = np.random.default_rng(seed)
    frame = pd.DataFrame({
        "symbol": np.repeat([f"S{k:05d}" for k in range(symbols)], days),
        "date": np.tile(pd.date_range("2010-01-04", periods=days, freq="D").to_numpy(), symbols),
        "close": 50 + np.cumsum(rng.normal(0, 1, symbols * days))})
    return frame.iloc[rng.permutation(len(frame))].reset_index(drop=True)


def phases(frame, repeat):
    """per_symbol on pandas, step by step."""
    checked, blank = _calls.checked_with_defaults(NAME, PARAMETERS, "keep", stacklevel=1)
    names = ("close", "symbol", "date")
    long = _pandas_frames.read_long_table(frame, "close", "symbol", "date")
    ready = long_table.plan(long, names, "error")
    out = _long.filter_sorted(NAME, checked, "error", blank, ready.values, ready.starts)

    def put_back():
        back = np.empty_like(out)
        back[ready.order] = out

    return best({
        "read into codes": lambda: _pandas_frames.read_long_table(frame, "close", "symbol", "date"),
        "sort": lambda: long_table._sort(long.keys, long.stamps),
        "sort and checks": lambda: long_table.plan(long, names, "error"),
        "engine call": lambda: _long.filter_sorted(NAME, checked, "error", blank, ready.values,
                                                  ready.starts),
        "put back": put_back,
        "one series": lambda: _segments.run(NAME, checked, ready.values, np.zeros(1, np.int64)),
    }, repeat)


def main():
    cpu = subprocess.run(["lscpu"], capture_output=True, text=True).stdout
    model = next((line.split(":", 1)[1].strip() for line in cpu.splitlines()
                  if line.startswith("Model name")), "unknown")
    print(f"CPU: {model}; polars {pl.__version__}, pandas {pd.__version__}, "
          f"numpy {np.__version__}; engine threads: up to {_segments.os.cpu_count()}")
    for symbols, days in ((500, 2500), (20000, 50)):
        frame = table(symbols, days)
        polars_frame = pl.from_pandas(frame)
        native = pl.col("close").ewm_mean(span=20).over("symbol", order_by="date")
        checked = pl.col("close").tsf.super_smoother(20, by="symbol", time="date")
        over = pl.col("close").tsf.super_smoother(20).over("symbol", order_by="date")
        calls = {
            "polars ewm_mean().over()": lambda: polars_frame.select(native),
            "per_symbol, pandas": lambda: tsfilters.per_symbol(frame, NAME, **PARAMETERS),
            "per_symbol, polars": lambda: tsfilters.per_symbol(polars_frame, NAME, **PARAMETERS),
            "tsf(by=, time=), polars": lambda: polars_frame.select(checked),
        }
        if symbols <= 500:  # one Python call per group: minutes on 20,000
            calls["tsf().over(), polars"] = lambda: polars_frame.select(over)
        times = best(calls, 5)
        base = times["polars ewm_mean().over()"]
        print(f"\n{symbols} symbols x {days} rows, shuffled ({len(frame):,} rows)")
        for label, seconds in times.items():
            print(f"  {label:28s} {seconds * 1e3:8.1f} ms  {seconds / base:5.2f}x")
        print("  per_symbol on pandas, step by step:")
        steps = phases(frame, repeat=5)
        for label, seconds in steps.items():
            print(f"    {label:26s} {seconds * 1e3:8.1f} ms")
        print(f"    engine call / one series: {steps['engine call'] / steps['one series']:.2f}x")


if __name__ == "__main__":
    main()
