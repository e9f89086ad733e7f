"""The seven filters, one Python function per exported C function.

Each takes `x` (a 1-D array-like or pandas Series, or a 2-D array or
DataFrame filtered column by column) and keyword-friendly parameters, checks
only what C itself could not represent (non-integer periods, values outside
int32, series longer than int32), and passes everything else to the library
unchanged: a period of 0 or a negative period, or a gamma outside 0..1, give
whatever the library computes for them.
"""

import ctypes

from . import _library
from ._arrays import apply, check_int32, check_real

_FLOAT_P = ctypes.POINTER(ctypes.c_float)


def _ptr(array):
    return array.ctypes.data_as(_FLOAT_P)


def _period_filter(name, x, period):
    period = check_int32("period", period)
    fn = _library.functions()[name]
    return apply(x, lambda src, n, dst: fn(_ptr(src), period, n, _ptr(dst)))


def _two_period_filter(name, x, high_pass_period, smooth_period):
    high_pass_period = check_int32("high_pass_period", high_pass_period)
    smooth_period = check_int32("smooth_period", smooth_period)
    fn = _library.functions()[name]
    return apply(
        x, lambda src, n, dst: fn(_ptr(src), high_pass_period, smooth_period, n, _ptr(dst))
    )


def _gamma_filter(name, x, gamma, period):
    gamma = check_real("gamma", gamma)
    period = check_int32("period", period)
    fn = _library.functions()[name]
    return apply(x, lambda src, n, dst: fn(_ptr(src), gamma, period, n, _ptr(dst)))


def ultimate_smoother(x, period):
    """Low-lag smoother (UltimateSmoother). Slots 0-3 copy the input."""
    return _period_filter("UltimateSmoother", x, period)


def super_smoother(x, period):
    """Two-pole low-pass smoother (SuperSmoother). Slots 0-1 copy the input."""
    return _period_filter("SuperSmoother", x, period)


def high_pass(x, period):
    """Two-pole high-pass filter (HighPass). Slots 0-3 are 0."""
    return _period_filter("HighPass", x, period)


def band_pass(x, high_pass_period, smooth_period):
    """HighPass followed by SuperSmoother (BandPass). Slots 0-3 are 0."""
    return _two_period_filter("BandPass", x, high_pass_period, smooth_period)


def cybernetic_oscillator(x, high_pass_period, smooth_period):
    """BandPass divided by its RMS over samples 0-99 (CyberneticOscillator).
    All NaN when there are fewer than 100 samples or that RMS is 0."""
    return _two_period_filter("CyberneticOscillator", x, high_pass_period, smooth_period)


def laguerre_filter(x, gamma, period):
    """UltimateSmoother then five Laguerre stages (LaguerreFilter).
    Slot 0 is never written by the library, so it is NaN."""
    return _gamma_filter("LaguerreFilter", x, gamma, period)


def laguerre_oscillator(x, gamma, period):
    """UltimateSmoother minus its first Laguerre stage, divided by the RMS
    over samples 0-99 (LaguerreOscillator). All NaN when there are fewer
    than 100 samples or that RMS is 0."""
    return _gamma_filter("LaguerreOscillator", x, gamma, period)


# Python name -> (function, parameter names in order). The CLI is built on it.
FILTERS = {
    "ultimate_smoother": (ultimate_smoother, ("period",)),
    "super_smoother": (super_smoother, ("period",)),
    "high_pass": (high_pass, ("period",)),
    "band_pass": (band_pass, ("high_pass_period", "smooth_period")),
    "cybernetic_oscillator": (cybernetic_oscillator, ("high_pass_period", "smooth_period")),
    "laguerre_filter": (laguerre_filter, ("gamma", "period")),
    "laguerre_oscillator": (laguerre_oscillator, ("gamma", "period")),
}
