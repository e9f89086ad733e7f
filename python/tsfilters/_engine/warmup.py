"""How long each filter takes to settle, and so how many leading outputs
warmup="nan" blanks: measured on a unit step through the batch call itself,
below the public functions (which need the answer before they run).
The public face, with tracking and held levels, is tsfilters.settling.
"""

import ctypes
import functools
import sys
import warnings

import numpy as np

from . import library
from . import parameters as _parameters
from .filter_table import FILTER_TABLE
from .precision_limits import PrecisionWarning

_FLOAT_P = ctypes.POINTER(ctypes.c_float)


def _run(name, step, checked):
    """Filter `name` over the float32 `step`, with `checked` parameters in
    the C order: the same batch call as the public function makes."""
    out = np.empty_like(step)
    library.functions()[FILTER_TABLE[name].c_name](
        step.ctypes.data_as(_FLOAT_P), *checked.values(), len(step), out.ctypes.data_as(_FLOAT_P))
    return out


@functools.lru_cache(maxsize=None)
def follows_its_input(name):
    """Whether filter `name` is a smoother, whose output settles on a
    constant input (a gain of 1 at zero frequency), rather than one that
    removes it (a gain of 0), measured at its defaults."""
    row = FILTER_TABLE[name]
    step = np.zeros(4096, dtype=np.float32)
    step[row.warmup:] = 1.0
    return bool(abs(_run(name, step, _parameters.checked(name, row.defaults))[-1] - 1.0) < 0.5)


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
    arguments = _parameters.checked(name, {**row.defaults, **parameters})
    count = 1024
    while count <= 1 << 22:
        step = np.zeros(count, dtype=np.float32)
        step[row.warmup:] = 1.0
        response = _run(name, step, arguments)[row.first_written:].astype(np.float64)
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
