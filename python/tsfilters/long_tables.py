"""Long tables: one row per symbol and time stamp, in any row order.

    >>> frame["smooth"] = tsfilters.per_symbol(frame, "ultimate_smoother", period=20,
    ...                                        value="close", by="symbol", time="date")

`per_symbol` runs each symbol's values through the filter in time order and
returns one output per row, aligned with the frame. A grouped transform, or
a Polars `over` without `order_by`, runs each group in the order of its
rows instead: on a table that is not sorted by time that is wrong on every
row, with no error.

pandas and Polars frames are read here (neither is imported: a frame of
one can only exist once it is loaded); a Dask frame goes to tsfilters.dask.
"""

import sys
from typing import Any

import numpy as np

from . import _gaps, _long
from ._arrays import _as_float32, _pandas_values
from ._columnar import read
from ._labels import are_date_texts, shown


def per_symbol(frame: Any, name: str, *, value: str = "close", by: str = "symbol",
               time: str = "date", missing: str = "error", warmup: str = "keep",
               **parameters: Any) -> Any:
    """Filter `name` over column `value` of each `by` symbol in `time`
    order, with `parameters` (the filter's defaults for those left out).

    `frame` is a pandas, Polars or Dask DataFrame in any row order. Returns
    one float32 output per row, aligned with `frame` and named after the
    filter: a pandas Series with the frame's index, a Polars Float32 Series
    (null where there is no value), or a Dask Series to assign as a column.
    Each symbol's outputs have the bits of the function called on that
    symbol's values alone, sorted by time.

      missing  what a NaN or null price does, as for the functions
               ("error" names the symbol and time stamp of the first)
      warmup   "nan" blanks each symbol's first values until the filter
               has settled, as for the functions

    A symbol with two rows at one time stamp, or a row with no symbol or no
    time stamp, is a ValueError; a column of dates written as text is
    refused, since it would sort by its characters.

    >>> import pandas as pd, tsfilters
    >>> frame = pd.DataFrame({"symbol": ["B", "A", "B", "A", "B", "A"],
    ...                       "date": [3, 3, 1, 1, 2, 2],
    ...                       "close": [22.0, 12.0, 20.0, 10.0, 21.0, 11.0]})
    >>> out = tsfilters.per_symbol(frame, "ultimate_smoother", period=10)
    >>> out.tolist()  # its first 4 slots copy the input: each row gets its own
    [22.0, 12.0, 20.0, 10.0, 21.0, 11.0]
    """
    # A PrecisionWarning points past _long.checked and this frame, at the caller.
    checked, blank = _long.checked(name, parameters, warmup, stacklevel=3)
    _gaps.check_choice(missing)
    pd, pl = sys.modules.get("pandas"), sys.modules.get("polars")
    if pd is not None and isinstance(frame, pd.DataFrame):
        check_columns(frame.columns, value, by, time)
        out = _long.filter_rows(read_pandas(frame, value, by, time), name, checked, missing,
                                blank, (value, by, time))
        return pd.Series(out, index=frame.index, name=name)
    if pl is not None and isinstance(frame, pl.DataFrame):
        check_columns(frame.columns, value, by, time)
        out = _long.filter_rows(read_polars(frame, value, by, time), name, checked, missing,
                                blank, (value, by, time))
        return pl.Series(name, out, dtype=pl.Float32, nan_to_null=True)
    if pl is not None and isinstance(frame, pl.LazyFrame):
        raise TypeError(f"per_symbol takes a DataFrame, not a LazyFrame: collect it first, or "
                        f"add pl.col({value!r}).tsf.{name}(...).over({by!r}, order_by={time!r}) "
                        "to the plan (import tsfilters.polars)")
    if hasattr(frame, "map_partitions") and getattr(frame, "ndim", None) == 2:
        from . import dask
        check_columns(frame.columns, value, by, time)
        return dask.run(frame, name, value, by, time, checked, missing, blank)
    raise TypeError(f"per_symbol takes a long table (a pandas, Polars or Dask DataFrame with "
                    f"value, symbol and time columns), not a "
                    f"{type(frame).__module__.split('.')[0]} {type(frame).__name__}; to filter "
                    "one series call tsfilters.<filter>(series) instead")


def check_columns(columns, value, by, time):
    absent = [c for c in (value, by, time) if c not in columns]
    if absent:
        raise KeyError(f"the frame has no column {', '.join(map(repr, absent))}; "
                       f"it has {', '.join(map(repr, columns))}")


def _refuse_date_texts(first, time):
    if are_date_texts(first):
        raise ValueError(f"column {time!r} holds dates as text (e.g. {first[0]!r}), which would "
                         "sort by their characters, not by time; parse them first")


def read_pandas(frame, value, by, time):
    """A pandas long table as `_long.Long`."""
    pd = sys.modules["pandas"]
    stamps = frame[time]
    _refuse_date_texts(list(stamps.iloc[:20]), time)
    return _long.Long(
        pd.factorize(frame[by])[0], pd.factorize(stamps, sort=True)[0],
        _as_float32(_pandas_values(frame[value])),
        symbol=lambda row: shown(frame[by].iloc[row]),
        stamp=lambda row: stamps.iloc[row],
        where=lambda row: f"row label {shown(frame.index[row])}")


def _polars_codes(column):
    """Dense codes of a Polars column in its sort order, -1 for null (and
    for NaN, which Polars ranks as a value and pandas as missing)."""
    if column.dtype.is_float():
        column = column.fill_nan(None)
    return column.rank("dense").fill_null(0).to_numpy().astype(np.int64) - 1


def read_polars(frame, value, by, time):
    """A Polars long table as `_long.Long`."""
    stamps = frame[time]
    _refuse_date_texts(stamps.head(20).to_list(), time)
    return _long.Long(
        _polars_codes(frame[by]), _polars_codes(stamps), read(frame[value]).values,
        symbol=lambda row: shown(frame[by][row]), stamp=lambda row: stamps[row],
        where=lambda row: f"row {row}")
