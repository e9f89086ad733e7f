#!/usr/bin/env python3
"""Live rows of a 5,000-symbol book against what a user would write by hand,
as ratios measured in one run (fastest of many interleaved runs each):

  dense   Streams.update(float64 row, out=) of super_smoother, against a
          hand-written numpy two-pole update (y = c1*x + a*y1 + b*y2, the
          state in two contiguous float64 arrays): the aim is 0.5x
  dict    a dict row of all 5,000 symbols, against reading the same dict
          into an array by hand (np.fromiter(row.values(), float, n)): 2x
  sparse  a dict row of 50 symbols, against the dense row: at most 1x
  peek    Streams.peek against Streams.update per row, and Stream.peek
          against Stream.update per tick: at most 1.2x
  tick    Stream.update(float) in ns a tick

    PYTHONPATH=python python3 python/bench/book_speed.py

Nothing fails; it reports, with the processor's model.
"""

import os
import sys
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import tsfilters  # noqa: E402
from timing import best_per_call, processor  # noqa: E402


N = 5_000


def best(contenders, rounds=30, calls=40):
    """Fastest seconds per call of each, the contenders taken in turns."""
    return best_per_call(contenders, rounds, calls)


def main():
    rng = np.random.default_rng(1)
    row = 100 + rng.standard_normal(N)
    symbols = [f"S{j:04d}" for j in range(N)]
    book = tsfilters.Streams("super_smoother", symbols, period=10, missing="drop")
    out = np.empty(N, np.float32)
    y1, y2 = np.zeros(N), np.zeros(N)
    c1, a, b = 0.07, 1.7, -0.77

    def by_hand():
        y = c1 * row + a * y1 + b * y2
        y2[:] = y1
        y1[:] = y

    whole = dict(zip(symbols, row.tolist()))
    some = dict(list(whole.items())[:50])
    given = {}
    t = best({"dense": lambda: book.update(row, out), "numpy": by_hand,
              "peek": lambda: book.peek(row, out),
              "dict": lambda: book.update(whole, given),
              "fromiter": lambda: np.fromiter(whole.values(), float, len(whole)),
              "sparse": lambda: book.update(some, given)})
    stream = tsfilters.Stream("super_smoother", period=10)
    ticks = best({"tick": lambda: stream.update(71.25), "peek": lambda: stream.peek(71.25)},
                 calls=2_000)
    us = {k: v * 1e6 for k, v in t.items()}
    print(f"{processor()}, load {os.getloadavg()[0]:.1f}")
    print(f"dense  {us['dense']:8.1f} us  numpy {us['numpy']:6.1f} us  "
          f"ratio {t['dense'] / t['numpy']:.2f}x (aim 0.5x)")
    print(f"dict   {us['dict']:8.1f} us  fromiter {us['fromiter']:6.1f} us  "
          f"ratio {t['dict'] / t['fromiter']:.2f}x (aim 2x)")
    print(f"sparse {us['sparse']:8.1f} us  dense {us['dense']:6.1f} us  "
          f"ratio {t['sparse'] / t['dense']:.2f}x (aim 1x)")
    print(f"peek   {us['peek']:8.1f} us  update {us['dense']:6.1f} us  "
          f"ratio {t['peek'] / t['dense']:.2f}x (aim 1.2x)")
    print(f"tick   {ticks['tick'] * 1e9:8.0f} ns  peek {ticks['peek'] * 1e9:6.0f} ns  "
          f"ratio {ticks['peek'] / ticks['tick']:.2f}x (aim 1.2x)")


if __name__ == "__main__":
    main()
