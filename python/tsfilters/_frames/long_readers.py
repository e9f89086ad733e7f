"""A long table of pandas, Polars or Arrow read into `_long.Long`: the
symbol columns as integer codes, the time column as int64 in time order,
the prices as float32. Nothing is decided here; `_long` sorts and checks.

Symbols are coded by hashing (pandas' factorize, a Polars or Arrow
dictionary), never by ranking: their order does not matter, only which
rows share one. Time stamps are used as the integers they are stored as
(UTC for stamps with a time zone), so a table of dates is never sorted as
text or as Python objects.
"""

import sys
from typing import Any, List

import numpy as np

from . import kinds
from . import long_table as _long
from .arrays import _as_float32, _pandas_values
from .columnar import read
from .labels import shown


def key_names(by: Any) -> List[Any]:
    """`by` as a list of column names: one name, or several."""
    if isinstance(by, (list, tuple)):
        if not by:
            raise ValueError("by= names no column; give the symbol column, or several")
        return list(by)
    return [by]


def _symbol(columns, row, get):
    """How a message shows the symbol of `row`: one value, or a tuple."""
    values = [get(column, row) for column in columns]
    return shown(values[0]) if len(values) == 1 else repr(tuple(
        v.item() if isinstance(v, np.generic) else v for v in values))


def _first_missing(nulls):
    """For several key columns' null masks: which one `row` lacks."""
    return lambda row: next(j for j, mask in enumerate(nulls) if mask[row])


# ---- pandas ----------------------------------------------------------------------

def _pandas_key(column):
    pd = sys.modules["pandas"]
    if kinds.is_a(column.dtype, "pandas", "CategoricalDtype"):
        return column.cat.codes.to_numpy().astype(np.int64)
    return pd.factorize(column)[0].astype(np.int64, copy=False)


def _pandas_time(column, time):
    """(stamps, undated or None, clock) of a pandas time column."""
    pd = sys.modules["pandas"]
    dtype = column.dtype
    if kinds.is_a(dtype, "pandas", "DatetimeTZDtype"):
        return _long.time_codes(column.dt.tz_convert("UTC").dt.tz_localize(None).to_numpy()) \
            + (False,)
    if kinds.is_a(dtype, "pandas", "PeriodDtype"):
        undated = column.isna().to_numpy()
        return column.array.asi8.astype(np.int64), (undated if undated.any() else None), False
    if kinds.is_a(dtype, "pandas", "api.extensions.ExtensionDtype") and dtype.kind in "iuf":
        undated = column.isna().to_numpy()
        if dtype.kind == "f":
            plain = column.to_numpy(dtype=np.float64, na_value=np.nan)
        else:
            plain = column.fillna(0).to_numpy(dtype=np.int64)
        stamps, _ = _long.time_codes(plain)
        return stamps, (undated if undated.any() else None), False
    codes = _long.time_codes(column.to_numpy()) if dtype.kind in "mMiubf" else None
    if codes is not None:
        return codes + (dtype.kind == "M",)
    _long.refuse_date_texts(list(column.iloc[:20]), time)
    stamps = pd.factorize(column, sort=True)[0].astype(np.int64, copy=False)
    undated = stamps < 0
    return stamps, (undated if undated.any() else None), False


def read_pandas(frame, value, by, time):
    """A pandas long table as `_long.Long`."""
    names = key_names(by)
    keys = [frame[name] for name in names]
    codes = [_pandas_key(column) for column in keys]
    stamps, undated, clock = _pandas_time(frame[time], time)
    table = _long.Long(
        _long.combine_keys(codes), stamps, undated,
        _as_float32(_pandas_values(frame[value])),
        symbol=lambda row: _symbol(keys, row, lambda column, r: column.iloc[r]),
        stamp=lambda row: frame[time].iloc[row],
        where=lambda row: f"row label {shown(frame.index[row])}", clock=clock)
    table.missing_key = _first_missing([c < 0 for c in codes])
    return table


# ---- Polars ----------------------------------------------------------------------

def _polars_key(pl, column):
    """int64 codes of a Polars key column, -1 for null (and NaN)."""
    if column.dtype.is_float():
        column = column.fill_nan(None)
    if column.dtype == pl.String:
        column = column.cast(pl.Categorical)
    if kinds.is_a(column.dtype, "polars", "Categorical", "Enum"):
        codes = column.to_physical()
    elif column.dtype.is_integer() and column.dtype not in (pl.UInt64,):
        codes = column.cast(pl.Int64)
        low = codes.min()
        codes = codes - (low if low is not None else 0)
    else:
        codes = column.rank("dense").cast(pl.Int64) - 1
    return codes.cast(pl.Int64).fill_null(-1).to_numpy()


def _polars_time(pl, column, time):
    """(stamps, undated or None, clock) of a Polars time column."""
    dtype = column.dtype
    nulls = column.null_count()
    undated = column.is_null().to_numpy() if nulls else None
    if dtype.is_temporal():
        stamps = column.to_physical().cast(pl.Int64).fill_null(0).to_numpy()
        clock = kinds.is_a(dtype, "polars", "Datetime") and dtype.time_zone is None
        return stamps, undated, clock
    if dtype.is_numeric() and dtype != pl.Decimal:
        if dtype.is_float():
            return _long.time_codes(column.to_numpy()) + (False,)
        stamps, _ = _long.time_codes(column.fill_null(0).to_numpy())
        return stamps, undated, False
    if dtype == pl.String:
        _long.refuse_date_texts(column.head(20).to_list(), time)
    stamps = (column.rank("dense").cast(pl.Int64) - 1).fill_null(-1).to_numpy()
    return stamps, undated, False


def read_polars(frame, value, by, time):
    """A Polars long table as `_long.Long`."""
    return read_polars_series(frame[value], [frame[name] for name in key_names(by)],
                              frame[time], time)


def read_polars_series(value: Any, keys: List[Any], stamps: Any, time: Any) -> Any:
    """`_long.Long` of Polars Series: the prices, the key columns and the
    time column (named `time` in messages)."""
    pl = sys.modules["polars"]
    codes = [_polars_key(pl, column) for column in keys]
    stamp_codes, undated, clock = _polars_time(pl, stamps, time)
    table = _long.Long(
        _long.combine_keys(codes), stamp_codes, undated, read(value).values,
        symbol=lambda row: _symbol(keys, row, lambda column, r: column[r]),
        stamp=lambda row: stamps[row], where=lambda row: f"row {row}", clock=clock)
    table.missing_key = _first_missing([c < 0 for c in codes])
    return table


# ---- Arrow -----------------------------------------------------------------------

def _arrow_key(pa, pc, column):
    column = column.combine_chunks() if kinds.is_a(column, "pyarrow", "ChunkedArray") else column
    if pa.types.is_floating(column.type):
        column = pc.if_else(pc.is_nan(column), None, column)
    if not pa.types.is_dictionary(column.type):
        column = pc.dictionary_encode(column)
    return column.indices.cast(pa.int64()).fill_null(-1).to_numpy(zero_copy_only=False)


def _arrow_time(pa, pc, column, time):
    column = column.combine_chunks() if kinds.is_a(column, "pyarrow", "ChunkedArray") else column
    kind = column.type
    undated = column.is_null().to_numpy(zero_copy_only=False) if column.null_count else None
    if pa.types.is_temporal(kind):
        storage = pa.int32() if pa.types.is_date32(kind) or kind in (pa.time32("s"),
                                                                      pa.time32("ms")) \
            else pa.int64()
        stamps = column.view(storage).cast(pa.int64()).fill_null(0)
        clock = pa.types.is_timestamp(kind) and kind.tz is None
        return stamps.to_numpy(zero_copy_only=False), undated, clock
    if pa.types.is_integer(kind) or pa.types.is_floating(kind):
        filled = column if pa.types.is_floating(kind) else column.fill_null(0)
        stamps, nan = _long.time_codes(filled.to_numpy(zero_copy_only=False))
        return stamps, (nan if undated is None else undated), False
    if pa.types.is_string(kind) or pa.types.is_large_string(kind):
        _long.refuse_date_texts(column.slice(0, 20).to_pylist(), time)
    ranks = pc.rank(column, sort_keys="ascending", tiebreaker="dense")
    return ranks.cast(pa.int64()).to_numpy(zero_copy_only=False), undated, False


def read_arrow(table, value, by, time):
    """A pyarrow Table as `_long.Long`."""
    pa, pc = sys.modules["pyarrow"], sys.modules["pyarrow.compute"]
    names = key_names(by)
    keys = [table.column(name) for name in names]
    codes = [_arrow_key(pa, pc, column) for column in keys]
    stamps, undated, clock = _arrow_time(pa, pc, table.column(time), time)
    values = read(table.column(value)).values
    out = _long.Long(
        _long.combine_keys(codes), stamps, undated, values,
        symbol=lambda row: _symbol(keys, row, lambda column, r: column[r].as_py()),
        stamp=lambda row: table.column(time)[row].as_py(), where=lambda row: f"row {row}",
        clock=clock)
    out.missing_key = _first_missing([c < 0 for c in codes])
    return out


def check_columns(columns, value, by, time):
    """KeyError for a named column the table lacks, and what `check_keys`
    refuses."""
    keys = check_keys(by, time)
    columns = list(columns)
    absent = [c for c in (value, *keys, time) if c not in columns]
    if absent:
        raise KeyError(f"the frame has no column {', '.join(map(repr, absent))}; "
                       f"it has {', '.join(map(repr, columns))}")


def check_keys(by: Any, time: Any) -> List[Any]:
    """The symbol columns `by` names, as a list; TypeError for a `by` that is
    neither a column name nor a list of them, ValueError for a column named
    twice among them and `time`. Every long-table front asks this, the
    Polars expression (whose columns Polars itself looks up) included."""
    if not isinstance(by, (str, list, tuple)):
        raise TypeError(f"by must be a column name or a list of them, not "
                        f"{type(by).__name__} {by!r}")
    keys = key_names(by)
    if len(set(map(str, keys))) != len(keys) or time in keys:
        raise ValueError(f"by={by!r} and time={time!r} must name different columns")
    return keys
