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
"""

import sys
from typing import Any, Optional

import numpy as np

from . import kinds


class Columnar:
    """One Arrow or Polars input: `values` (float32, 1-D for a column,
    (rows, columns) for a table), `nulls` (where the input had null, or
    None), `names` (a table's column names) and `back(result)`."""

    def __init__(self, values, nulls, names, back):
        self.values, self.nulls, self.names, self.back = values, nulls, names, back


def _float32(numbers, nulls):
    """`numbers` (a NumPy array, NaN or anything at the null slots) as
    float32 with NaN where `nulls` is set; no copy for float32."""
    values = numbers.astype(np.float32, copy=False)
    if nulls is not None:
        if values is numbers and not values.flags.writeable:
            values = values.copy()
        values[nulls] = np.nan
    return values


# ---- pyarrow --------------------------------------------------------------------

def _arrow_type_error(pa, type_):
    if pa.types.is_boolean(type_):
        return TypeError("x must hold real numbers, not a pyarrow bool column: "
                         "a truth value is not a price")
    if not (pa.types.is_integer(type_) or pa.types.is_floating(type_)
            or pa.types.is_decimal(type_)):
        return TypeError(f"x must hold real numbers, not a pyarrow {type_} column")
    return None


def _arrow_column(pa, array):
    """(float32 values, nulls or None) of one pyarrow Array."""
    error = _arrow_type_error(pa, array.type)
    if error is not None:
        raise error
    if pa.types.is_decimal(array.type):
        # Decimals go by way of float64, as pandas converts an Arrow decimal
        # column and NumPy a Python Decimal: all three read alike.
        array = array.cast(pa.float64())
    if array.null_count == 0:
        numbers = array.to_numpy(zero_copy_only=False)
        return _float32(numbers, None), None
    nulls = array.is_null().to_numpy(zero_copy_only=False)
    # Zero in the null slots, not NaN: int64 must go to float32 directly,
    # as NumPy converts it, not by way of float64.
    numbers = array.fill_null(pa.scalar(0, array.type)).to_numpy(zero_copy_only=False)
    return _float32(numbers, nulls), nulls


def _arrow_chunks(pa, chunked):
    error = _arrow_type_error(pa, chunked.type)
    if error is not None:
        raise error
    if chunked.num_chunks == 0:
        # A table filtered to nothing, or built from no batches: as empty
        # as a column with one empty chunk, and filtered as one.
        return pa.array([], type=chunked.type)
    # One chunk is used as it is; more are joined, which copies them (the
    # filter runs over the whole series, across the chunks' seams).
    return chunked.chunk(0) if chunked.num_chunks == 1 else chunked.combine_chunks()


def _chunked(pa, values, like):
    """`values` as a Float32 ChunkedArray cut where the chunks of `like`
    are: a caller's batches come back as they went in."""
    lengths = [len(chunk) for chunk in like.chunks] or [0]
    edges = np.cumsum([0] + lengths)
    return pa.chunked_array([_arrow_array(pa, values[a:b]) for a, b in zip(edges, edges[1:])],
                            type=pa.float32())


def _arrow_array(pa, values):
    """A Float32 pyarrow Array over `values` (no copy), null where NaN."""
    nan = np.isnan(values)
    validity = pa.py_buffer(np.packbits(~nan, bitorder="little")) if nan.any() else None
    return pa.Array.from_buffers(pa.float32(), values.size, [validity, pa.py_buffer(values)])


def _arrow_table(pa, values, names, like=None):
    """A Table of Float32 columns; each chunked as its column in `like`."""
    columns = [np.ascontiguousarray(values[:, j]) for j in range(len(names))]
    if like is not None:
        return pa.Table.from_arrays([_chunked(pa, column, like.column(j))
                                     for j, column in enumerate(columns)], names=list(names))
    return pa.Table.from_arrays([_arrow_array(pa, column) for column in columns],
                                names=list(names))


def _from_arrow(pa, x):
    if kinds.is_a(x, "pyarrow", "Table"):
        columns = [_arrow_column(pa, _arrow_chunks(pa, column)) for column in x.columns]
        values, nulls = _stack(columns, x.num_rows)
        names = x.column_names
        return Columnar(values, nulls, names, lambda result: _arrow_table(pa, result, names, x))
    chunked = kinds.is_a(x, "pyarrow", "ChunkedArray")
    values, nulls = _arrow_column(pa, _arrow_chunks(pa, x) if chunked else x)

    def back(result):
        return _chunked(pa, result, x) if chunked else _arrow_array(pa, result)
    return Columnar(values, nulls, None, back)


# ---- polars ---------------------------------------------------------------------

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
        return _float32(series.to_numpy(), None), None
    nulls = series.is_null().to_numpy()
    return _float32(series.fill_null(0).to_numpy(), nulls), nulls


def _polars_wide_integers(pl):
    return tuple(getattr(pl, name) for name in ("Int128", "UInt128") if hasattr(pl, name))


def _polars_series(pl, name, values):
    return pl.Series(name, values, dtype=pl.Float32, nan_to_null=True)


def _polars_frame(pl, values, names):
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
    return _float32(x.to_numpy(order="fortran"), None)


def _from_polars(pl, x):
    if kinds.is_a(x, "polars", "DataFrame"):
        block = _polars_block(pl, x)
        if block is not None:
            values, nulls = block, None
        else:
            values, nulls = _stack([_polars_column(pl, s) for s in x.get_columns()], x.height)
        names = x.columns
        return Columnar(values, nulls, names, lambda result: _polars_frame(pl, result, names))
    values, nulls = _polars_column(pl, x)
    return Columnar(values, nulls, None, lambda result: _polars_series(pl, x.name, result))


def _stack(columns, rows):
    """A table's columns side by side, (rows, columns), column-major so
    that each column stays one contiguous run."""
    values = np.empty((rows, len(columns)), dtype=np.float32, order="F")
    nulls = None
    for j, (column, gaps) in enumerate(columns):
        values[:, j] = column
        if gaps is not None:
            if nulls is None:
                nulls = np.zeros(values.shape, dtype=bool, order="F")
            nulls[:, j] = gaps
    return values, nulls


def read(x: Any) -> Optional[Columnar]:
    """A Columnar for an Arrow or Polars object, else None."""
    if is_arrow(x):
        return _from_arrow(sys.modules["pyarrow"], x)
    pl = sys.modules.get("polars")
    if kinds.is_a(x, "polars", "Series", "DataFrame"):
        return _from_polars(pl, x)
    return None


def is_arrow(x):
    return kinds.is_a(x, "pyarrow", "Array", "ChunkedArray", "Table")


def table(like, values, names):
    """`values` (rows, columns) as a table of the kind `like` is (a pyarrow
    Table for Arrow input, a polars DataFrame for Polars input) with column
    `names`."""
    if is_arrow(like):
        return _arrow_table(sys.modules["pyarrow"], values, names)
    return _polars_frame(sys.modules["polars"], values, names)


def check_window(columnar: Columnar, missing: str, window: int) -> None:
    """With missing="keep", a null among the first `window` values of an
    oscillator would turn the RMS that scales its whole output into NaN:
    refused, naming the column and the position."""
    if missing != "keep" or not window or columnar.nulls is None:
        return
    head = columnar.nulls[:window]
    if head.any():
        row = int(np.argmax(head.any(axis=1) if head.ndim == 2 else head))
        column = "" if head.ndim == 1 else \
            f" in column {columnar.names[int(np.argmax(head[row]))]!r}"
        raise ValueError(f"x has a null at position {row}{column}, among the first {window} "
                         "values whose RMS scales the oscillator's whole output; pass "
                         "missing='drop' or 'previous', or fill it")
