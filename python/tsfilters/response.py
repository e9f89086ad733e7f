"""What a filter does to a cycle: its gain and lag against the cycle period,
measured by running the library itself on an impulse.

Past its warm-up every filter here is linear and time-invariant, so its
output for a unit impulse (given right after the warm-up, into a state that
has only seen zeros) is its impulse response h, and the Fourier transform of
h is its frequency response H. For a cycle of period P samples
(angular frequency w = 2 pi / P):

  gain  |H(w)|: how much of the cycle's amplitude comes through;
  lag   -arg H(w) / w: how many samples late the cycle comes out (negative
        for a filter that leads, as a high-pass does at long periods); NaN
        where the gain is below 1e-4 of its peak, as at a zero of H, where
        nothing comes through to be late and the phase means nothing.

The two oscillators divide by the RMS of their first 100 values, a scale
that depends on the data; their gain is therefore given relative to its
largest value over the periods returned. Their lag does not depend on it.
"""

from collections import namedtuple
from typing import Union

import numpy as np

from ._engine import parameters as _parameters
from ._engine.precision_limits import warn as warn_precision
from ._engine.warmup import _run

Response = namedtuple("Response", "period gain lag")

# The impulse response is long enough when its tail is this small against
# its largest value: below the float32 rounding of the values themselves.
_TAIL = 1e-9
# Below this fraction of the peak gain a cycle's phase is noise.
_SILENT = 1e-4


def impulse_response(name, **parameters):
    """The filter's output for a unit impulse, from the impulse on, long
    enough to have died away; None if it never does (an unstable or NaN
    recursion, e.g. a period of 0 or below)."""
    row = _parameters.row(name)
    parameters = _parameters.checked(name, parameters)
    # this frame, response, its caller
    warn_precision(name, [parameters], stacklevel=3)
    length = 1 << 14
    while length <= 1 << 22:
        impulse = np.zeros(length, dtype=np.float32)
        impulse[row.warmup] = 1.0
        # The batch call itself: no slot before the warm-up's end is read.
        h = _run(name, impulse, parameters)[row.warmup:].astype(np.float64)
        if not np.isfinite(h).all():
            return None
        peak = np.abs(h).max()
        if peak == 0.0:
            return None
        if np.abs(h[-length // 8:]).max() <= _TAIL * peak:
            return h
        length *= 4
    return None


def response(name: str, max_period: float = 500,
             **parameters: Union[int, float]) -> "Response":
    """Gain and lag of filter `name` (with `parameters`, else its defaults)
    for cycle periods from 2 to `max_period` samples, as a Response of three
    arrays ordered by period. ValueError if the filter is unstable with
    these parameters.

    >>> import tsfilters
    >>> period, gain, lag = tsfilters.response("super_smoother", max_period=100, period=10)
    >>> bool(gain[period > 90].min() > 0.99)        # long cycles pass
    True
    """
    h = impulse_response(name, **parameters)
    if h is None:
        raise ValueError(f"{name} with {parameters or 'its defaults'} does not settle: "
                         "no frequency response to measure")
    if not max_period > 2:
        raise ValueError(f"max_period must be above 2, not {max_period!r}")
    # Zero padding samples the spectrum finely enough for long periods too.
    size = max(h.size, int(16 * max_period))
    spectrum = np.fft.rfft(h, n=size)
    bins = np.arange(1, spectrum.size)
    periods = size / bins
    keep = periods <= max_period
    bins, periods, spectrum = bins[keep], periods[keep], spectrum[1:][keep]
    # Unwrapped from the longest period (lowest frequency) on, where the
    # phase starts near its value at zero frequency.
    phase = np.unwrap(np.angle(spectrum))
    omega = 2 * np.pi * bins / size
    gain = np.abs(spectrum)
    lag = np.where(gain >= _SILENT * gain.max(), -phase / omega, np.nan)
    if _parameters.row(name).rms_scaled:
        gain = gain / gain.max()
    order = np.argsort(periods)
    return Response(periods[order], gain[order], lag[order])
