"""The seven filters, one Python function per exported C function.

Each takes `x` (a 1-D array-like or pandas Series, or a 2-D array or
DataFrame filtered column by column) and keyword-friendly parameters, checks
only what C itself could not represent (non-integer periods, values outside
int32, series longer than int32), and passes everything else to the library
unchanged: a period of 0 or a negative period, or a gamma outside 0..1, give
whatever the library computes for them.

Every function also takes, by keyword only:

  missing  what a NaN sample does: "error" (the default) raises ValueError
           naming it; "drop" filters the series without it and leaves NaN in
           its slot; "previous" carries the last value forward; "keep" passes
           it to the library, which makes its slot and every later one NaN.
  sort     for a pandas object with a datetime index in no time order: sort
           by time before filtering (the result keeps the caller's order).
           A strictly newest-first index is always filtered oldest first.
"""

import ctypes

from . import _library
from ._arrays import apply, check_int32, check_real
from ._filter_table import FILTER_TABLE, SHAPE_PARAMETERS

_FLOAT_P = ctypes.POINTER(ctypes.c_float)

# How each parameter is checked before it goes to C.
_CHECKS = {"period": check_int32, "high_pass_period": check_int32,
           "smooth_period": check_int32, "gamma": check_real}


def _ptr(array):
    return array.ctypes.data_as(_FLOAT_P)


def _call(name, x, parameters, missing, sort):
    """Checks the parameters of filter `name` and runs it over `x`."""
    row = FILTER_TABLE[name]
    arguments = [_CHECKS[key](key, parameters[key]) for key in SHAPE_PARAMETERS[row.shape]]
    fn = _library.functions()[row.c_name]
    return apply(x, lambda src, n, dst: fn(_ptr(src), *arguments, n, _ptr(dst)),
                 missing=missing, sort=sort)


def ultimate_smoother(x, period, *, missing="error", sort=False):
    """Low-lag smoother (UltimateSmoother). Slots 0-3 copy the input."""
    return _call("ultimate_smoother", x, locals(), missing, sort)


def super_smoother(x, period, *, missing="error", sort=False):
    """Two-pole low-pass smoother (SuperSmoother). Slots 0-1 copy the input."""
    return _call("super_smoother", x, locals(), missing, sort)


def high_pass(x, period, *, missing="error", sort=False):
    """Two-pole high-pass filter (HighPass). Slots 0-3 are 0."""
    return _call("high_pass", x, locals(), missing, sort)


def band_pass(x, high_pass_period, smooth_period, *, missing="error", sort=False):
    """HighPass followed by SuperSmoother (BandPass). Slots 0-3 are 0."""
    return _call("band_pass", x, locals(), missing, sort)


def cybernetic_oscillator(x, high_pass_period, smooth_period, *, missing="error", sort=False):
    """BandPass divided by its RMS over samples 0-99 (CyberneticOscillator).
    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere."""
    return _call("cybernetic_oscillator", x, locals(), missing, sort)


def laguerre_filter(x, gamma, period, *, missing="error", sort=False):
    """UltimateSmoother then five Laguerre stages (LaguerreFilter).
    Slot 0 is never written by the library, so it is NaN."""
    return _call("laguerre_filter", x, locals(), missing, sort)


def laguerre_oscillator(x, gamma, period, *, missing="error", sort=False):
    """UltimateSmoother minus its first Laguerre stage, divided by the RMS
    over samples 0-99 (LaguerreOscillator). All NaN when there are fewer
    than 100 samples or that RMS is 0. The scale comes from the 100 oldest
    samples given, as for cybernetic_oscillator."""
    return _call("laguerre_oscillator", x, locals(), missing, sort)


# Python name -> (function, parameter names in order). The CLI is built on it.
FILTERS = {name: (globals()[name], SHAPE_PARAMETERS[row.shape])
           for name, row in FILTER_TABLE.items()}
