"""polars Series and DataFrames read into float32 values and written back
as Float32 columns, null where the output is NaN. polars itself is passed
in by the caller (found in `sys.modules`), never imported here. A long table of Polars is read here too.
"""

import sys
from typing import Any, List

from . import kinds
from . import long_columns as _columns
from . import long_table as _long
from .columns import Columnar, float32_nulled, stack


def _polars_column(pl, series):
    """(float32 values, nulls or None) of one polars Series."""
    dtype = series.dtype
    named = f" ({series.name!r})" if series.name else ""
    if dtype == pl.Boolean:
        raise TypeError(f"x must hold real numbers, not a polars Boolean column{named}: "
                        "a truth value is not a price")
    if not dtype.is_numeric():
        raise TypeError(f"x must hold real numbers, not a polars {dtype} column{named}")
    if dtype == pl.Decimal:
        series = series.cast(pl.Float64)  # by way of float64, as Arrow's and pandas' decimals
    if dtype in _polars_wide_integers(pl):
        # Polars gives 128-bit integers no NumPy form. Within int64 they
        # convert as every other integer column does, straight to the
        # nearest float32; beyond it there is no price.
        try:
            series = series.cast(pl.Int64, strict=True)
        except Exception:  # polars' InvalidOperationError, by version
            raise TypeError(f"x must hold real numbers within the int64 range, but the "
                            f"polars {dtype} column{named} holds larger ones") from None
    if series.null_count() == 0:
        return float32_nulled(series.to_numpy(), None), None
    nulls = series.is_null().to_numpy()
    return float32_nulled(series.fill_null(0).to_numpy(), nulls), nulls


def _polars_wide_integers(pl):
    return tuple(getattr(pl, name) for name in ("Int128", "UInt128") if hasattr(pl, name))


def _polars_series(pl, name, values):
    return pl.Series(name, values, dtype=pl.Float32, nan_to_null=True)


def frame(pl, values, names):
    # The whole table as one Series over its column-major buffer (its NaN
    # made null in one pass), each column a slice of it: building a Series
    # per column, or letting a DataFrame split the array, cost Polars twice
    # as much, about as much again as the pandas call takes in all.
    rows = values.shape[0]
    if not rows or not len(names):
        return pl.DataFrame(values, schema=list(names), orient="row", nan_to_null=True)
    flat = _polars_series(pl, "", values.ravel(order="F"))
    return pl.DataFrame([flat.slice(j * rows, rows).alias(name) for j, name in enumerate(names)])


def _polars_block(pl, x):
    """A table whose columns share one plain numeric dtype and hold no null,
    as one float32 (rows, columns) block that Polars writes in one pass (or
    hands over, when it holds the table as one); None for any other."""
    dtypes = set(x.dtypes)
    if len(dtypes) != 1 or x.height == 0:
        return None
    dtype = dtypes.pop()
    if dtype == pl.Boolean or not dtype.is_numeric() or dtype == pl.Decimal \
            or dtype in _polars_wide_integers(pl) or any(x.null_count().row(0)):
        return None
    # float64 and int64 alike straight to the nearest float32, as NumPy converts.
    return float32_nulled(x.to_numpy(order="fortran"), None)


def columnar(pl, x):
    if kinds.is_a(x, "polars", "DataFrame"):
        block = _polars_block(pl, x)
        if block is not None:
            values, nulls = block, None
        else:
            values, nulls = stack([_polars_column(pl, s) for s in x.get_columns()], x.height)
        names = x.columns
        return Columnar(values, nulls, names, lambda result: frame(pl, result, names))
    values, nulls = _polars_column(pl, x)
    return Columnar(values, nulls, None, lambda result: _polars_series(pl, x.name, result))


def read(x):
    """A Columnar for a polars Series or DataFrame, else None."""
    return columnar(sys.modules["polars"], x) if kinds.is_a(x, "polars", "Series", "DataFrame") else None


# ---- long tables: the symbol columns as integer codes (by hashing, through a
# dictionary, never by ranking: only which rows share one matters), the time
# column as the int64 it is stored as (UTC for stamps with a time zone), the
# prices as float32; `long_table` sorts and checks.

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
        _long.combine_keys(codes), stamp_codes, undated, columnar(pl, value).values,
        symbol=lambda row: _columns.symbol_of(keys, row, lambda column, r: column[r]),
        stamp=lambda row: stamps[row], where=lambda row: f"row {row}", clock=clock)
    table.missing_key = _columns.first_missing([c < 0 for c in codes])
    return table
