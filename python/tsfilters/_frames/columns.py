"""The form every Arrow and Polars input takes on its way to the library:
float32 values with a mask of the nulls it had, its names, and the call
that puts results back in the caller's type. The readers of each library
(arrow.py, polars.py) build it; the fronts take it through columnar.py.
The check of an oscillator's first window of nulls is shared here too.
"""

import numpy as np


class Columnar:
    """One Arrow or Polars input: `values` (float32, 1-D for a column,
    (rows, columns) for a table), `nulls` (where the input had null, or
    None), `names` (a table's column names) and `back(result)`."""

    def __init__(self, values, nulls, names, back):
        self.values, self.nulls, self.names, self.back = values, nulls, names, back


def float32_nulled(numbers, nulls):
    """`numbers` (a NumPy array, NaN or anything at the null slots) as
    float32 with NaN where `nulls` is set; no copy for float32."""
    values = numbers.astype(np.float32, copy=False)
    if nulls is not None:
        if values is numbers and not values.flags.writeable:
            values = values.copy()
        values[nulls] = np.nan
    return values


def stack(columns, rows):
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
