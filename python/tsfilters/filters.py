"""The seven filters, one Python function per exported C function, made
from the rows of the library's filter table and documented from the
comments of its public header (tsfilters.h).

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

  missing  what a NaN sample does, or an infinite one (also a float64
           beyond float32's range): "error" (the default) raises ValueError
           naming it; "drop" filters the series without it and leaves NaN in
           its slot; "previous" carries the last value forward; "keep" passes
           it to the library, which makes its slot and every later one NaN.
  sort     for a pandas object whose index is in no order: sort by it
           before filtering (the result keeps the caller's order). Any
           ordered index sorts; an index of date texts is refused, since it
           would sort by characters: parse it first. A strictly
           newest-first datetime index is always filtered oldest first.
  threads  for 2-D input: how many threads share the columns; None (the
           default) means as many as the work is worth, up to every core;
           1 means the calling thread alone.
           The result does not depend on it.
"""

from typing import Any, Callable, Dict, Tuple

from . import _functions
from ._engine.filter_table import FILTER_TABLE, SHAPE_PARAMETERS

# Python name -> (function, parameter names in order). The CLI is built on it.
FILTERS: Dict[str, Tuple[Callable[..., Any], Tuple[str, ...]]] = {name: (getattr(_functions, name), SHAPE_PARAMETERS[row.shape])
           for name, row in FILTER_TABLE.items()}
