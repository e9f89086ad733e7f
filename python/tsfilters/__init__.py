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
runs one series at many parameter sets; `tsfilters.dask.apply` filters a
long table of many symbols on a Dask cluster; `response` measures a filter's
gain and lag against the cycle period. See docs/python.md.
"""

from pathlib import Path

from . import settling
from ._library import ENV_VARIABLE, STREAM_ENV_VARIABLE, LibraryNotFoundError, load
from .filters import FILTERS
from .stream import Stream, Streams
from .response import response
from .sweeps import sweep

# The release number of the repository (a link to its VERSION file; a copy
# in a built package).
__version__ = (Path(__file__).parent / "VERSION").read_text(encoding="ascii").strip()

# One function per filter of the library's table (tsfilters.filters).
globals().update({name: function for name, (function, _) in FILTERS.items()})

__all__ = [
    "ENV_VARIABLE",
    "STREAM_ENV_VARIABLE",
    "Stream",
    "Streams",
    "FILTERS",
    "LibraryNotFoundError",
    "load",
    "response",
    "settling",
    "sweep",
    *FILTERS,
]


def __getattr__(name):
    # `tsfilters.dask` without an import of its own; Dask itself is only
    # imported by the code that uses it.
    if name == "dask":
        import importlib
        return importlib.import_module(".dask", __name__)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
