"""A long table of Polars or Arrow read into `long_table.Long`: the symbol
columns as integer codes, the time column as int64 in time order, the
prices as float32. Nothing is decided here; `long_table` sorts and checks.
(pandas' reader is in pandas.py, with the rest of what pandas needs.)

Symbols are coded by hashing (a Polars or Arrow dictionary), never by
ranking: their order does not matter, only which rows share one. Time
stamps are used as the integers they are stored as (UTC for stamps with a
time zone), so a table of dates is never sorted as text or as Python
objects.
"""

import sys
from typing import Any, List

from . import arrow as _arrow
from . import kinds
from . import long_columns as _columns
from . import long_table as _long
from . import polars as _polars


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
    return read_polars_series(frame[value], [frame[name] for name in _columns.key_names(by)],
                              frame[time], time)


def read_polars_series(value: Any, keys: List[Any], stamps: Any, time: Any) -> Any:
    """`_long.Long` of Polars Series: the prices, the key columns and the
    time column (named `time` in messages)."""
    pl = sys.modules["polars"]
    codes = [_polars_key(pl, column) for column in keys]
    stamp_codes, undated, clock = _polars_time(pl, stamps, time)
    table = _long.Long(
        _long.combine_keys(codes), stamp_codes, undated, _polars.columnar(pl, value).values,
        symbol=lambda row: _columns.symbol_of(keys, row, lambda column, r: column[r]),
        stamp=lambda row: stamps[row], where=lambda row: f"row {row}", clock=clock)
    table.missing_key = _columns.first_missing([c < 0 for c in codes])
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
    names = _columns.key_names(by)
    keys = [table.column(name) for name in names]
    codes = [_arrow_key(pa, pc, column) for column in keys]
    stamps, undated, clock = _arrow_time(pa, pc, table.column(time), time)
    values = _arrow.columnar(pa, table.column(value)).values
    out = _long.Long(
        _long.combine_keys(codes), stamps, undated, values,
        symbol=lambda row: _columns.symbol_of(keys, row, lambda column, r: column[r].as_py()),
        stamp=lambda row: table.column(time)[row].as_py(), where=lambda row: f"row {row}",
        clock=clock)
    out.missing_key = _columns.first_missing([c < 0 for c in codes])
    return out
