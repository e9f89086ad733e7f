"""tsfilters: Python access to the tsfilters shared library.

    >>> import tsfilters
    >>> smooth = tsfilters.ultimate_smoother(closes, period=20)

Every function accepts a 1-D array-like or pandas Series (or a 2-D array or
DataFrame, filtered column by column), converts it to contiguous float32 and
returns a new float32 array (a Series/DataFrame with the same index for
pandas input). Slots the library leaves unwritten are NaN.

The filters run oldest sample first. A pandas object with a datetime index
that runs newest first is filtered in time order and returned in its own;
other disorder raises ValueError unless sort=True. A NaN sample would make
every later output NaN, so it raises ValueError unless missing="drop",
"previous" or "keep" says otherwise. The oscillators' scale comes from the
RMS of their first 100 values; `settling.settling_length` says how many
samples each filter needs before its output is reliable. See README.md,
section "Python".
"""

from pathlib import Path

from . import settling
from ._library import ENV_VARIABLE, LibraryNotFoundError, load
from .filters import (
    FILTERS,
    band_pass,
    cybernetic_oscillator,
    high_pass,
    laguerre_filter,
    laguerre_oscillator,
    super_smoother,
    ultimate_smoother,
)

# The release number of the repository (a link to its VERSION file; a copy
# in a built package).
__version__ = (Path(__file__).parent / "VERSION").read_text(encoding="ascii").strip()

__all__ = [
    "ENV_VARIABLE",
    "FILTERS",
    "LibraryNotFoundError",
    "band_pass",
    "cybernetic_oscillator",
    "high_pass",
    "laguerre_filter",
    "laguerre_oscillator",
    "load",
    "settling",
    "super_smoother",
    "ultimate_smoother",
]
