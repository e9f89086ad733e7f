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
samples each filter needs before its output is reliable.

At scale (through the stream library, found like the batch one):
`Stream` and `Streams` feed live samples or rows; 2-D input runs all its
columns side by side on the lanes and on every core (threads=); `sweep`
runs one series at many parameter sets; `per_symbol` filters a long table
of many symbols (pandas, Polars, or Dask on a cluster), each in time order;
`response` measures a filter's gain and lag against the cycle period.
`import tsfilters.polars` adds the filters to Polars expressions as
`pl.col("close").tsf.super_smoother(20)`. See docs/python.md.
"""

from pathlib import Path
from typing import TYPE_CHECKING

from . import settling
from ._engine.library import ENV_VARIABLE, STREAM_ENV_VARIABLE, LibraryNotFoundError, load
# One function per filter of the library's table, written out in
# _functions.py so that editors and type checkers see them (a test checks
# that this list is the table's).
from ._functions import (band_pass, cybernetic_oscillator, high_pass, laguerre_filter,
                         laguerre_oscillator, super_smoother, ultimate_smoother)
from .filters import FILTERS
from .long_tables import per_symbol
from .stream import Stream, Streams
from .precision import PrecisionWarning, precision_limit
from .response import response
from .sweeps import sweep

# The release number of the repository (a link to its VERSION file; a copy
# in a built package).
__version__ = (Path(__file__).parent / "VERSION").read_text(encoding="ascii").strip()

__all__ = [
    "ENV_VARIABLE",
    "STREAM_ENV_VARIABLE",
    "Stream",
    "Streams",
    "FILTERS",
    "LibraryNotFoundError",
    "PrecisionWarning",
    "load",
    "per_symbol",
    "precision_limit",
    "response",
    "settling",
    "sweep",
    # The filter functions, in the table's order.
    "high_pass",
    "super_smoother",
    "ultimate_smoother",
    "band_pass",
    "cybernetic_oscillator",
    "laguerre_filter",
    "laguerre_oscillator",
]


if TYPE_CHECKING:
    # What __getattr__ below gives, as type checkers see it: the modules
    # themselves, and no __getattr__, so that a misspelt name such as
    # tsfilters.super_smother is an error rather than Any.
    from . import dask, polars
else:
    # `tsfilters.dask` and `tsfilters.polars` without an import of their
    # own; Dask and Polars are only imported by the code that uses them.
    _LAZY_MODULES = ("dask", "polars")

    def __getattr__(name):
        if name in _LAZY_MODULES:
            import importlib
            return importlib.import_module(f".{name}", __name__)
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
