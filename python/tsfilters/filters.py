"""The seven filters, one Python function per exported C function.

Each takes `x` (a 1-D array-like or pandas Series, or a 2-D array or
DataFrame filtered column by column) and keyword-friendly parameters, checks
only what C itself could not represent (non-integer periods, values outside
int32, series longer than int32), and passes everything else to the library
unchanged: a period of 0 or a negative period, or a gamma outside 0..1, give
whatever the library computes for them.

A 2-D array or DataFrame (rows are time, one series per column) runs
through the stream library's lanes: all columns in one call per thread, with
the bits of the column-by-column calls.

Every function also takes, by keyword only:

  missing  what a NaN sample does: "error" (the default) raises ValueError
           naming it; "drop" filters the series without it and leaves NaN in
           its slot; "previous" carries the last value forward; "keep" passes
           it to the library, which makes its slot and every later one NaN.
  sort     for a pandas object with a datetime index in no time order: sort
           by time before filtering (the result keeps the caller's order).
           A strictly newest-first index is always filtered oldest first.
  threads  for 2-D input: how many threads share the columns; None (the
           default) means every core, 1 means the calling thread alone.
           The result does not depend on it.
"""

import ctypes

from . import _lanes, _library
from ._arrays import apply
from ._filter_table import FILTER_TABLE, SHAPE_PARAMETERS
from ._parameters import CHECKS

_FLOAT_P = ctypes.POINTER(ctypes.c_float)


def _ptr(array):
    return array.ctypes.data_as(_FLOAT_P)


def _wide(name, parameters, threads):
    """Runs every column of a 2-D float32 array (rows are time) on the lanes,
    or None when the stream library is not there: then each column runs on
    its own through the batch call, with the same bits, only slower."""
    try:
        _lanes.functions()
    except _library.LibraryNotFoundError:
        return None

    def run(src, dst):
        streams = _lanes.new_streams(name, [parameters] * src.shape[1])
        _lanes.run(streams, src, dst, threads)
        if FILTER_TABLE[name].rms_scaled:
            _lanes.patch_windows(streams, dst)

    return run


def _call(name, x, parameters, missing, sort, threads):
    """Checks the parameters of filter `name` and runs it over `x`."""
    row = FILTER_TABLE[name]
    checked = {key: CHECKS[key](key, parameters[key]) for key in SHAPE_PARAMETERS[row.shape]}
    arguments = list(checked.values())
    fn = _library.functions()[row.c_name]
    _lanes.check_threads(threads)
    return apply(x, lambda src, n, dst: fn(_ptr(src), *arguments, n, _ptr(dst)),
                 missing=missing, sort=sort, wide=lambda: _wide(name, checked, threads))


def ultimate_smoother(x, period, *, missing="error", sort=False,
        threads=None):
    """Low-lag smoother (UltimateSmoother). Slots 0-3 copy the input."""
    return _call("ultimate_smoother", x, locals(), missing, sort, threads)


def super_smoother(x, period, *, missing="error", sort=False,
        threads=None):
    """Two-pole low-pass smoother (SuperSmoother). Slots 0-1 copy the input."""
    return _call("super_smoother", x, locals(), missing, sort, threads)


def high_pass(x, period, *, missing="error", sort=False,
        threads=None):
    """Two-pole high-pass filter (HighPass). Slots 0-3 are 0."""
    return _call("high_pass", x, locals(), missing, sort, threads)


def band_pass(x, high_pass_period, smooth_period, *, missing="error", sort=False,
        threads=None):
    """HighPass followed by SuperSmoother (BandPass). Slots 0-3 are 0."""
    return _call("band_pass", x, locals(), missing, sort, threads)


def cybernetic_oscillator(x, high_pass_period, smooth_period, *, missing="error", sort=False,
        threads=None):
    """BandPass divided by its RMS over samples 0-99 (CyberneticOscillator).
    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere."""
    return _call("cybernetic_oscillator", x, locals(), missing, sort, threads)


def laguerre_filter(x, gamma, period, *, missing="error", sort=False,
        threads=None):
    """UltimateSmoother then five Laguerre stages (LaguerreFilter).
    Slot 0 is never written by the library, so it is NaN."""
    return _call("laguerre_filter", x, locals(), missing, sort, threads)


def laguerre_oscillator(x, gamma, period, *, missing="error", sort=False,
        threads=None):
    """UltimateSmoother minus its first Laguerre stage, divided by the RMS
    over samples 0-99 (LaguerreOscillator). All NaN when there are fewer
    than 100 samples or that RMS is 0. The scale comes from the 100 oldest
    samples given, as for cybernetic_oscillator."""
    return _call("laguerre_oscillator", x, locals(), missing, sort, threads)


# Python name -> (function, parameter names in order). The CLI is built on it.
FILTERS = {name: (globals()[name], SHAPE_PARAMETERS[row.shape])
           for name, row in FILTER_TABLE.items()}
