#!/usr/bin/python3
"""Speed of the Python calls that run on the stream library's lanes, against
what the same work costs without them.

    TSFILTERS_LIBRARY=build/default/libtsfilters.so /usr/bin/python3 python/bench/lanes_speed.py

  wide   a 10,000-row x 1,000-column table (rows are time): the column by
         column loop the package ran before the lanes, against one lanes
         call on one thread, and on every core;
  sweep  256 periods (2..257) over one 10,000-sample series: 256 separate
         calls, against one sweep on one thread;
  live   one new row for 5,000 columns through Streams.update: as an
         ndarray, as a pandas Series labelled by the columns the Streams was
         built with (the same Index object, as a row of the same frame has),
         by equal labels in a new Index, and by the labels in another order;
         and Streams.peek of that row against the update.

Each figure is the best of several runs, the contenders interleaved so a
busy machine's noise falls on both; the ratio is what the claims are about.
Nothing fails on a slow machine: it only reports.
"""

import argparse
import sys
from pathlib import Path

import numpy as np
import pandas as pd

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import tsfilters  # noqa: E402
from timing import best  # noqa: E402
from tsfilters import _calls  # noqa: E402
from tsfilters._engine import lanes as _lanes, stream_library as _stream_library  # noqa: E402


def per_column_loop(function, table, **parameters):
    """The 2-D path as it was before the lanes: one batch call per column."""
    saved = _calls._wide
    _calls._wide = lambda *_: None
    try:
        return function(table, **parameters)
    finally:
        _calls._wide = saved


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeats", type=int, default=15)
    parser.add_argument("--filter", default="ultimate_smoother")
    args = parser.parse_args()
    name = args.filter
    function = tsfilters.FILTERS[name][0]
    defaults = tsfilters._engine.filter_table.FILTER_TABLE[name].defaults
    first = next(iter(defaults))
    rng = np.random.default_rng(1)
    lib = _stream_library.functions()
    target = lib.simd_target().decode() if lib.simd_target else "none (no lanes in this library)"
    print(f"filter {name}, SIMD target {target}, {_lanes.cores()} cores")

    table = (100 + rng.standard_normal((10_000, 1_000)).cumsum(axis=0)).astype(np.float32)
    t = best({"loop": lambda: per_column_loop(function, table, **defaults),
              "lanes": lambda: function(table, **defaults, threads=1),
              "lanes, all cores": lambda: function(table, **defaults, threads=None)},
             args.repeats)
    print(f"wide 10,000 x 1,000: per-column loop {t['loop'] * 1e3:.1f} ms, "
          f"lanes on one core {t['lanes'] * 1e3:.1f} ms ({t['loop'] / t['lanes']:.1f}x), "
          f"all cores {t['lanes, all cores'] * 1e3:.1f} ms "
          f"({t['loop'] / t['lanes, all cores']:.1f}x)")

    series = table[:, 0].copy()
    values = list(range(2, 258)) if first != "gamma" else list(np.linspace(0, 1, 256))
    t = best({"calls": lambda: [function(series, **{**defaults, first: v}) for v in values],
              "sweep": lambda: tsfilters.sweep(series, name, **{first: values}, threads=1,
                                               frame=False)},
             args.repeats)
    print(f"sweep of 256 {first} values over 10,000 samples: separate calls "
          f"{t['calls'] * 1e3:.1f} ms, sweep on one core {t['sweep'] * 1e3:.1f} ms "
          f"({t['calls'] / t['sweep']:.1f}x)")

    labels = pd.Index([f"S{j:04d}" for j in range(5_000)])
    streams = tsfilters.Streams(name, labels, **defaults)
    rows = (100 + rng.standard_normal((50, 5_000))).astype(np.float32)
    streams.update(rows)
    row = rows[-1]
    same = pd.Series(row, index=labels)
    equal = pd.Series(row, index=pd.Index(list(labels)))
    shuffled = same.iloc[rng.permutation(5_000)]
    t = best({"row": lambda: streams.update(row),
              "series": lambda: streams.update(same),
              "equal": lambda: streams.update(equal),
              "shuffled": lambda: streams.update(shuffled),
              "peek": lambda: streams.peek(row)}, args.repeats * 20)
    print(f"live: one row of 5,000 columns through Streams.update {t['row'] * 1e6:.0f} us "
          f"({t['row'] / 5_000 * 1e9:.0f} ns per column)")
    for key, what in (("series", "a Series with the Streams' own labels"),
                      ("equal", "a Series with equal labels in a new Index"),
                      ("shuffled", "a Series with the labels in another order"),
                      ("peek", "Streams.peek of the ndarray row")):
        print(f"live: {what} {t[key] * 1e6:.0f} us ({t[key] / t['row']:.2f}x the ndarray "
              "update)")


if __name__ == "__main__":
    main()
