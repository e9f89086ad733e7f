"""pyarrow Arrays, ChunkedArrays and Tables read into float32 values and
written back as Float32 columns, null where the output is NaN, each
chunked as the caller's was. pyarrow itself is passed in by the caller
(found in `sys.modules`), never imported here.
"""

import numpy as np

from . import kinds
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
