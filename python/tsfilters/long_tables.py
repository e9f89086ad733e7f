"""Long tables: one row per symbol and time stamp, in any row order.

    >>> frame["smooth"] = tsfilters.per_symbol(frame, "ultimate_smoother", period=20,
    ...                                        value="close", by="symbol", time="date")

`per_symbol` runs each symbol's values through the filter in time order and
returns one output per row, aligned with the frame. A grouped transform, or
a Polars `over` without `order_by`, runs each group in the order of its
rows instead: on a table that is not sorted by time that is wrong on every
row, with no error.

pandas, Polars and Arrow tables are read here (none is imported: a table
of one can only exist once it is loaded); a Dask frame goes to
tsfilters.dask. Every one becomes the same plain arrays, sorted, checked and
filtered in one call by `_long`.
"""

import sys
from typing import Any, List, Union

from . import _calls, _long
from ._frames import gaps as _gaps
from ._frames import kinds
from ._frames.long_columns import check_columns, key_names  # noqa: F401
from ._frames.arrow import read_arrow
from ._frames.polars import read_polars
from ._frames.pandas import read_long_table as read_pandas

__all__ = ["per_symbol", "check_columns", "read_pandas", "read_polars", "read_arrow"]


def per_symbol(frame: Any, name: str, *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: str = "error", warmup: str = "keep", **parameters: Any) -> Any:
    """Filter `name` over column `value` of each `by` symbol in `time`
    order, with `parameters` (the filter's defaults for those left out).

    `frame` is a pandas, Polars or Dask DataFrame or a pyarrow Table, in
    any row order; `by` is one column or a list of them (a symbol and its
    venue, say). Returns one float32 output per row, aligned with `frame`
    and named after the filter: a pandas Series with the frame's index, a
    Polars Float32 Series (null where there is no value), a pyarrow Float32
    Array (the same), or a Dask Series to assign as a column. Each symbol's
    outputs have the bits of the function called on that symbol's values
    alone, sorted by time; all symbols run in one call of the library.

      missing  what a NaN or null price does, as for the functions
               ("error" names the symbol and time stamp of the first)
      warmup   "nan" blanks each symbol's first values until the filter
               has settled, as for the functions

    A symbol with two rows at one time stamp (a re-sent row, or a local
    clock going back an hour), or a row with no symbol or no time stamp, is
    a ValueError naming them; a column of dates written as text is
    refused, since it would sort by its characters.

    >>> import pandas as pd, tsfilters
    >>> frame = pd.DataFrame({"symbol": ["B", "A", "B", "A", "B", "A"],
    ...                       "date": [3, 3, 1, 1, 2, 2],
    ...                       "close": [22.0, 12.0, 20.0, 10.0, 21.0, 11.0]})
    >>> out = tsfilters.per_symbol(frame, "ultimate_smoother", period=10)
    >>> out.tolist()  # its first 4 slots copy the input: each row gets its own
    [22.0, 12.0, 20.0, 10.0, 21.0, 11.0]
    """
    # A PrecisionWarning points past _calls.checked_with_defaults and this frame, at the caller.
    checked, blank = _calls.checked_with_defaults(name, parameters, warmup, stacklevel=3)
    _gaps.check_choice(missing)
    pd, pl, pa = (sys.modules.get(m) for m in ("pandas", "polars", "pyarrow"))
    names = (value, by, time)
    if kinds.is_a(frame, "pandas", "DataFrame"):
        check_columns(frame.columns, value, by, time)
        out = _long.filter_rows(read_pandas(frame, value, by, time), name, checked, missing,
                                blank, names)
        return pd.Series(out, index=frame.index, name=name)
    if kinds.is_a(frame, "polars", "DataFrame"):
        check_columns(frame.columns, value, by, time)
        out = _long.filter_rows(read_polars(frame, value, by, time), name, checked, missing,
                                blank, names)
        return pl.Series(name, out, dtype=pl.Float32, nan_to_null=True)
    if kinds.is_a(frame, "pyarrow", "Table"):
        check_columns(frame.column_names, value, by, time)
        out = _long.filter_rows(read_arrow(frame, value, by, time), name, checked, missing,
                                blank, names)
        from ._frames.arrow import array as _arrow_array
        return _arrow_array(pa, out)
    if kinds.is_a(frame, "polars", "LazyFrame"):
        raise TypeError(f"per_symbol takes a DataFrame, not a LazyFrame: collect it first, or "
                        f"add pl.col({value!r}).tsf.{name}(..., by={by!r}, time={time!r}) "
                        "to the plan (import tsfilters.polars)")
    if kinds.is_dask_table(frame):
        from . import dask
        check_columns(frame.columns, value, by, time)
        return dask.run(frame, name, value, by, time, checked, missing, blank)
    raise TypeError(f"per_symbol takes a long table (a pandas, Polars or Dask DataFrame or a "
                    f"pyarrow Table with value, symbol and time columns), not a "
                    f"{type(frame).__module__.split('.')[0]} {type(frame).__name__}; to filter "
                    "one series call tsfilters.<filter>(series) instead")
