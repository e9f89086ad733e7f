"""Arrow and Polars columns in, the same type out.

A pyarrow Array, ChunkedArray or Table, or a polars Series or DataFrame, is
read into the float32 NumPy array the library takes and its outputs put
back into the caller's type: Float32, with null in every slot that comes
back NaN (the library wrote nothing there, or the input had no value), and
the input's names. Neither package is imported here: an object can only be
one of theirs if its package is already loaded, so `sys.modules` says which
to check, and `import tsfilters` costs nothing for either.

Reading follows NumPy's rules: a float32 column without nulls is used in
place (no copy); other numbers are converted as `numpy.astype(float32)`
converts them (int64 straight to the nearest float32, float64 rounded to
float32); null reads as NaN, so the `missing=` rule decides what it does.
Decimals (Arrow decimal128, Polars Decimal) go by way of float64, as pandas
converts a decimal column and NumPy a Python Decimal. A ChunkedArray comes
back cut into the chunks it came in. Strings, dates, times and other
non-numbers are a TypeError naming the type.

This module says which of the two an object is and hands it to that
library's module (arrow.py, polars.py), which does the reading and writing.
"""

import sys
from typing import Any, Optional

from . import arrow as _arrow
from . import polars as _polars
from .columns import Columnar


def read(x: Any) -> Optional[Columnar]:
    """A Columnar for an Arrow or Polars object, else None."""
    return _arrow.read(x) or _polars.read(x)


def table(like, values, names):
    """`values` (rows, columns) as a table of the kind `like` is (a pyarrow
    Table for Arrow input, a polars DataFrame for Polars input) with column
    `names`."""
    if _arrow.is_arrow(like):
        return _arrow.table(sys.modules["pyarrow"], values, names)
    return _polars.frame(sys.modules["polars"], values, names)
