"""tsfilters: Python access to the tsfilters shared library.

    >>> import tsfilters
    >>> smooth = tsfilters.ultimate_smoother(closes, period=20)

Every function accepts a 1-D array-like or pandas Series (or a 2-D array or
DataFrame, filtered column by column), converts it to contiguous float32 and
returns a new float32 array (a Series/DataFrame with the same index for
pandas input). Slots the library leaves unwritten are NaN. See README.md,
section "Python", for where the library is looked for.
"""

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

__version__ = "0.1.0"

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
    "super_smoother",
    "ultimate_smoother",
]
