"""How long each filter takes to settle, measured on the library itself.

A series' first values carry the filter's start-up: the warm-up slots copy
the input or hold zeros, and the recursion needs a while to forget them. The
settling length is the number of samples, counted from the first one, until
the response to a unit step (given right after the warm-up) comes within 1%
of its final value and stays there; 1% of the largest swing, so that the
oscillators' RMS scaling does not change the answer. Values before it are
numbers, not NaN, but should not be trusted. A response that settles on
the wrong level is not settled: a smoother must end at the step's height,
a filter that removes the trend (high-pass, band-pass, the oscillators) at
zero.

The recursions run in single precision. At long periods a smoother's
output can stop short of a constant input, or run past it, for good: each
step's correction rounds away. `tracking_periods` measures the periods at
which a smoother holds a constant within a given tolerance.
"""

import warnings

import numpy as np

from ._engine import lanes as _lanes
from ._engine import parameters as _parameters
from ._engine.filter_table import FILTER_TABLE
from ._engine.precision_limits import PrecisionWarning
# The settling length itself is measured below the public functions, which
# blank the warm-up with it; this module is its public face.
from ._engine.warmup import (WARMUP_CHOICES, _run, blanked, check_warmup,  # noqa: F401 (public)
                             follows_its_input, settling_length, warmup_length)


def default_table():
    """[(name, parameters, settling length)] for every filter's defaults."""
    return [(name, row.defaults, settling_length(name)) for name, row in FILTER_TABLE.items()]


def held_level(name, level=80.0, samples=1 << 20, **parameters):
    """The last output of filter `name` (with `parameters`, else its
    defaults) after a step from 0 to `level` at the end of its warm-up,
    held for `samples` samples: `level` itself for a smoother that tracks
    a constant exactly.

    >>> from tsfilters import settling
    >>> settling.held_level("super_smoother", period=20)      # follows the level
    80.00001525878906
    >>> settling.held_level("super_smoother", period=900)     # beyond its precision limit
    80.07714080810547
    """
    row = FILTER_TABLE[name]
    step = np.full(samples, level, dtype=np.float32)
    step[:row.warmup] = 0.0
    with warnings.catch_warnings():
        # It measures the drift beyond the limit; no call of the caller's.
        warnings.simplefilter("ignore", PrecisionWarning)
        return float(_run(name, step, _parameters.checked(name, {**row.defaults, **parameters}))[-1])


def _tracking_errors(name, periods, fixed, level, samples):
    """The largest relative distance from `level` of each period's output
    over the last quarter of `samples`, after a step from 0 to `level` at
    the end of the warm-up; all periods side by side on the lanes."""
    row = FILTER_TABLE[name]
    sets = [_parameters.checked(name, {**fixed, "period": p}) for p in periods]
    streams = _lanes.new_streams(name, sets)
    worst = np.zeros(len(sets))
    chunk = 16384  # rows per call: 16 MB of outputs for 256 lanes
    for start in range(0, samples, chunk):
        count = min(chunk, samples - start)
        series = np.full(count, level, dtype=np.float32)
        series[:max(0, row.warmup - start)] = 0.0
        shared = np.lib.stride_tricks.as_strided(series, shape=(count, len(sets)),
                                                 strides=(4, 0), writeable=False)
        out = np.empty(shared.shape, dtype=np.float32)
        _lanes.run(streams, shared, out)
        tail = max(0, samples - samples // 4 - start)
        if tail < count:
            error = np.abs(out[tail:].astype(np.float64) - level).max(axis=0) / level
            worst = np.maximum(worst, np.where(np.isnan(error), np.inf, error))
    return worst


def tracking_periods(name, tolerance=0.001, level=80.0, samples=1 << 16, longest=1 << 15,
                     **parameters):
    """The periods at which smoother `name` (its other parameters from
    `parameters`, else its defaults) holds a constant: a step from 0 to
    `level`, held for `samples` samples, gives outputs over the last quarter
    of them within `tolerance` (relative) of `level`.

    Returns range(first, last + 1): from the shortest period that holds to
    the one before the first longer period that does not (None if none up
    to `longest` holds). Measured on the library, 256 periods at a time on
    the lanes: a second or so at the defaults.

    >>> from tsfilters import settling
    >>> settling.tracking_periods("ultimate_smoother", longest=100)
    range(1, 101)
    """
    if not follows_its_input(name):
        raise ValueError(f"{name} removes a constant rather than following it; "
                         "tracking_periods measures the smoothers")
    if "period" not in _parameters.names(name):
        raise ValueError(f"{name} has no period")
    first = None
    for low in range(1, longest + 1, 256):
        periods = np.arange(low, min(low + 256, longest + 1))
        holds = _tracking_errors(name, periods, parameters, level, samples) <= tolerance
        if first is None and holds.any():
            first = int(periods[np.argmax(holds)])
            holds[:np.argmax(holds)] = True
        if first is not None and not holds.all():
            return range(first, int(periods[np.argmin(holds)]))
    return None if first is None else range(first, longest + 1)
