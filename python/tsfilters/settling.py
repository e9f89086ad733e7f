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

import functools
import sys
import warnings

import numpy as np

from . import _lanes, _parameters
from ._filter_table import FILTER_TABLE
from .filters import FILTERS
from .precision import PrecisionWarning


@functools.lru_cache(maxsize=None)
def follows_its_input(name):
    """Whether filter `name` is a smoother, whose output settles on a
    constant input (a gain of 1 at zero frequency), rather than one that
    removes it (a gain of 0), measured at its defaults."""
    row = FILTER_TABLE[name]
    step = np.zeros(4096, dtype=np.float32)
    step[row.warmup:] = 1.0
    return bool(abs(FILTERS[name][0](step, **row.defaults)[-1] - 1.0) < 0.5)


def settling_length(name, tolerance=0.01, **parameters):
    """Samples until filter `name` (with `parameters`, else its defaults)
    has settled; None if its response never settles on the right level: an
    unstable or NaN recursion (a period of 0 or below), a recursion that
    rounds away from its input (SuperSmoother at a period of 20,000 or
    100,000), or parameters with which a smoother never follows its input
    (LaguerreFilter at gamma = 1, which gives 1/16 of it).

    `tolerance` is how close, as a fraction of the step, the response must
    stay from that sample on (0.01: within 1%).

    >>> from tsfilters import settling
    >>> settling.settling_length("ultimate_smoother", period=20)
    20
    """
    with warnings.catch_warnings():
        # Measuring a long period is no use of it: the caller warns for its own.
        warnings.simplefilter("ignore", PrecisionWarning)
        return _settling_length(name, tolerance, parameters)


def _settling_length(name, tolerance, parameters):
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
        level = 1.0 if follows_its_input(name) else 0.0
        if abs(response[-1] - level) > tolerance * max(swing.max(), level):
            if swing[count // 2:].max() <= tolerance * swing.max():
                return None  # settled, on the wrong level
            count *= 4
            continue
        if swing.max() == 0.0:
            return row.first_written
        outside = np.flatnonzero(swing > tolerance * swing.max())
        last = int(outside[-1]) + row.first_written
        if last < count // 2:  # settled well before the end: the final value is final
            return last + 1
        count *= 4
    return None


WARMUP_CHOICES = ("keep", "nan")


def check_warmup(warmup):
    if warmup not in WARMUP_CHOICES:
        raise ValueError(f"warmup must be one of {', '.join(WARMUP_CHOICES)}, not {warmup!r}")
    return warmup


@functools.lru_cache(maxsize=1024)
def _cached_length(name, parameters):
    return settling_length(name, **dict(parameters))


def warmup_length(name, **parameters):
    """How many leading samples warmup="nan" blanks for filter `name` with
    `parameters` (else its defaults): its settling length, or None where
    the response never settles on the right level, in which case no output
    can be trusted and every slot is blanked. One rule for the functions,
    sweeps and the command line, measured once per parameter set.

    >>> from tsfilters import settling
    >>> settling.warmup_length("laguerre_filter", gamma=0.8, period=20)
    40
    """
    arguments = {**FILTER_TABLE[name].defaults, **parameters}
    return _cached_length(name, tuple(sorted(arguments.items())))


def blanked(name, warmup, **parameters):
    """How many leading slots of a series `warmup` blanks: 0 for "keep";
    for "nan" the settling length, or every slot (any length of series)
    where there is none."""
    if check_warmup(warmup) == "keep":
        return 0
    length = warmup_length(name, **parameters)
    return sys.maxsize if length is None else length


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
        return float(FILTERS[name][0](step, **{**row.defaults, **parameters})[-1])


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
