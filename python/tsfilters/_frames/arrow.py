"""pyarrow Arrays, ChunkedArrays and Tables read into float32 values and
written back as Float32 columns, null where the output is NaN, each
chunked as the caller's was. pyarrow itself is passed in by the caller
(found in `sys.modules`), never imported here. A long table of Arrow is read here too.
"""

import sys

import numpy as np

from . import kinds
from . import long_columns as _columns
from . import long_table as _long
from .columns import Columnar, float32_nulled, stack


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
        return float32_nulled(numbers, None), None
    nulls = array.is_null().to_numpy(zero_copy_only=False)
    # Zero in the null slots, not NaN: int64 must go to float32 directly,
    # as NumPy converts it, not by way of float64.
    numbers = array.fill_null(pa.scalar(0, array.type)).to_numpy(zero_copy_only=False)
    return float32_nulled(numbers, nulls), nulls


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
    return pa.chunked_array([array(pa, values[a:b]) for a, b in zip(edges, edges[1:])],
                            type=pa.float32())


def array(pa, values):
    """A Float32 pyarrow Array over `values` (no copy), null where NaN."""
    nan = np.isnan(values)
    validity = pa.py_buffer(np.packbits(~nan, bitorder="little")) if nan.any() else None
    return pa.Array.from_buffers(pa.float32(), values.size, [validity, pa.py_buffer(values)])


def table(pa, values, names, like=None):
    """A Table of Float32 columns; each chunked as its column in `like`."""
    columns = [np.ascontiguousarray(values[:, j]) for j in range(len(names))]
    if like is not None:
        return pa.Table.from_arrays([_chunked(pa, column, like.column(j))
                                     for j, column in enumerate(columns)], names=list(names))
    return pa.Table.from_arrays([array(pa, column) for column in columns],
                                names=list(names))


def columnar(pa, x):
    if kinds.is_a(x, "pyarrow", "Table"):
        columns = [_arrow_column(pa, _arrow_chunks(pa, column)) for column in x.columns]
        values, nulls = stack(columns, x.num_rows)
        names = x.column_names
        return Columnar(values, nulls, names, lambda result: table(pa, result, names, x))
    chunked = kinds.is_a(x, "pyarrow", "ChunkedArray")
    values, nulls = _arrow_column(pa, _arrow_chunks(pa, x) if chunked else x)

    def back(result):
        return _chunked(pa, result, x) if chunked else array(pa, result)
    return Columnar(values, nulls, None, back)


def is_arrow(x):
    return kinds.is_a(x, "pyarrow", "Array", "ChunkedArray", "Table")


def read(x):
    """A Columnar for a pyarrow Array, ChunkedArray or Table, else None."""
    return columnar(sys.modules["pyarrow"], x) if is_arrow(x) else None


# ---- long tables: the symbol columns as integer codes (by hashing, through a
# dictionary, never by ranking: only which rows share one matters), the time
# column as the int64 it is stored as (UTC for stamps with a time zone), the
# prices as float32; `long_table` sorts and checks.

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
    values = columnar(pa, table.column(value)).values
    out = _long.Long(
        _long.combine_keys(codes), stamps, undated, values,
        symbol=lambda row: _columns.symbol_of(keys, row, lambda column, r: column[r].as_py()),
        stamp=lambda row: table.column(time)[row].as_py(), where=lambda row: f"row {row}",
        clock=clock)
    out.missing_key = _columns.first_missing([c < 0 for c in codes])
    return out
