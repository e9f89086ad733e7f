"""How long each filter takes to settle, measured on the library itself.

A series' first values carry the filter's start-up: the warm-up slots copy
the input or hold zeros, and the recursion needs a while to forget them. The
settling length is the number of samples, counted from the first one, until
the response to a unit step (given right after the warm-up) comes within 1%
of its final value and stays there; 1% of the largest swing, so that the
oscillators' RMS scaling does not change the answer. Values before it are
numbers, not NaN, but should not be trusted.
"""

import numpy as np

from ._filter_table import FILTER_TABLE
from .filters import FILTERS


def settling_length(name, tolerance=0.01, **parameters):
    """Samples until filter `name` (with `parameters`, else its defaults)
    has settled; None if its response never settles (an unstable or NaN
    recursion, e.g. a period of 0 or below)."""
    row = FILTER_TABLE[name]
    function = FILTERS[name][0]
    arguments = {**row.defaults, **parameters}
    count = 1024
    while count <= 1 << 22:
        step = np.zeros(count, dtype=np.float32)
        step[row.warmup:] = 1.0
        response = function(step, **arguments, missing="keep")[row.first_written:].astype(np.float64)
        if response.size == 0 or not np.isfinite(response).all():
            return None
        swing = np.abs(response - response[-1])
        if swing.max() == 0.0:
            return row.first_written
        outside = np.flatnonzero(swing > tolerance * swing.max())
        last = int(outside[-1]) + row.first_written
        if last < count // 2:  # settled well before the end: the final value is final
            return last + 1
        count *= 4
    return None


def default_table():
    """[(name, parameters, settling length)] for every filter's defaults."""
    return [(name, row.defaults, settling_length(name)) for name, row in FILTER_TABLE.items()]
