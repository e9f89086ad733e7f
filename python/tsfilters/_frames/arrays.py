"""Turning what callers pass into what the library takes, and back.

The library reads and writes single-precision floats, so every input is
converted to a contiguous float32 array first (float64 values are rounded to
the nearest float32, as a C host casting double to float would). Outputs are
new float32 arrays prefilled with NaN: the slots the library leaves unwritten
(slot 0 of LaguerreFilter, the whole output of an oscillator that has fewer
than 100 samples or a zero RMS) therefore read NaN rather than garbage.
This is the NumPy core every frame module builds on: the pandas module reads
a Series or DataFrame into the same arrays (in time order, with its labels)
and puts the result back in one.
"""

import numpy as np

from . import gaps as _gaps
from . import not_prices as _not_prices
from .label_text import shown
from .._engine.values import (INT32_MAX, INT32_MIN, check_int32, check_length,  # noqa: F401 (for callers)
                             check_real)

def samples_array(values, what):
    """What a stream is fed, as a new C-contiguous float32 array: a copy,
    as the library writes the outputs over it, in place."""
    array = _not_prices.check_values(values, what)
    if array.dtype.kind not in "biuf":
        if array.dtype.kind != "O":  # text, dates: not prices
            raise TypeError(f"{what} must hold real numbers, not {array.dtype} values")
        try:
            array = array.astype(np.float64)
        except (TypeError, ValueError):
            raise TypeError(f"{what} must hold real numbers, not {array.dtype} values") from None
    with np.errstate(over="ignore"):
        return np.array(array, dtype=np.float32, order="C")


def _as_float32(values, order=None):
    """`values` as a float32 array, contiguous in `order` ("C" or "F"), or
    in whichever of the two it already is when `order` is None."""
    array = _not_prices.check_values(values, "x")
    if array.dtype.kind not in "biuf":
        if array.dtype.kind != "O":
            raise TypeError(f"x must hold real numbers, not {array.dtype} values")
        try:  # e.g. a list mixing ints, floats and None
            array = array.astype(np.float64)
        except (TypeError, ValueError) as exc:
            raise TypeError(f"x must hold real numbers: {exc}") from None
    if array.ndim not in (1, 2):
        raise ValueError(f"x must be 1-D (one series) or 2-D (one series per column), not {array.ndim}-D")
    with np.errstate(over="ignore"):  # beyond float32's range: inf, a gap named later
        array = array.astype(np.float32, copy=False)
    if order is None:
        contiguous = array.flags.c_contiguous or array.flags.f_contiguous
        return array if contiguous else np.ascontiguousarray(array)
    return np.require(array, np.float32, [order])


def prepare(values, permutation, missing, labels, column=None):
    """`_gaps.Prepared`, with a gap reported by its label when there is one
    and by its column (a description such as "column 'AAPL'") in a table."""
    try:
        return _gaps.Prepared(values, permutation, missing)
    except _gaps.MissingValueError as exc:
        where = f"{labels[exc.position]} (position {exc.position})" if labels is not None \
            else f"position {exc.position}"
        raise ValueError(f"{column or 'x'} has {_gaps.what(exc.value)} at {where}; pass "
                         "missing='drop', 'previous' or 'keep' (see help(tsfilters))") from None


def array_input(x):
    """`x` (an array or a list) as the float32 array `apply` runs over."""
    values = _as_float32(x)
    check_length(values.shape[0])
    return values


def _run(values, call, permutation, missing, labels, column=None, warmup=0):
    prepared = prepare(values, permutation, missing, labels, column)
    result = np.full(prepared.values.shape, np.nan, dtype=np.float32)
    call(prepared.values, prepared.values.shape[0], result)
    # The first `warmup` samples fed, in time order and without the gaps
    # that were dropped: those are the ones the filter had not settled by.
    result[:warmup] = np.nan
    return prepared.restore(result)


def _column(names, j):
    """How errors name column `j` of a table (`names`: a DataFrame's columns)."""
    return f"column {shown(names[j])}" if names is not None else f"column {j}"


def _run_wide(values, call, wide, permutation, missing, labels, names, warmup=0):
    """Every column of `values`: those with gaps one by one as `_run` does
    (they differ in which rows they keep), the others all at once through
    `wide(input, output)` over a (time, column) block."""
    if missing == "keep" or values.shape[0] == 0:
        gaps = np.zeros(values.shape[1], bool)
    else:  # a column's minimum is NaN or -inf, or its maximum +inf, when it
        # holds such a gap: no table-sized mask
        gaps = ~(np.isfinite(values.min(axis=0)) & np.isfinite(values.max(axis=0)))
    order = "F" if values.flags.f_contiguous and not values.flags.c_contiguous else "C"
    clean = np.flatnonzero(~gaps)
    if clean.size == values.shape[1] and clean.size:
        return _run_lanes(values, wide, permutation, order, warmup)
    result = np.empty(values.shape, dtype=np.float32, order=order)
    # Gaps first, so that missing="error" stops before the long call.
    for column in np.flatnonzero(gaps):
        result[:, column] = _run(values[:, column], call, permutation, missing, labels,
                                 _column(names, column), warmup)
    if clean.size:
        result[:, clean] = _run_lanes(values[:, clean], wide, permutation, order, warmup)
    return result


def _run_lanes(block, wide, permutation, order, warmup=0):
    """`wide(input, output)` over the (time, column) `block`, in time order."""
    if permutation is not None:
        block = block[permutation]
    out = np.empty(block.shape, dtype=np.float32, order=order)
    wide(block, out)
    out[:warmup] = np.nan
    if permutation is None:
        return out
    back = np.empty_like(out)
    back[permutation] = out
    return back


def run_series(values, call, missing, permutation=None, labels=None, names=None,
               wide=None, warmup=0):
    """Runs `call(input, count, output)` on each series of the float32
    `values` and returns the float32 result, shaped alike.

    1-D `values` is one series; 2-D is one series per column, each filtered
    on its own, or all at once through the runner `wide()` returns (if any).
    `permutation` (or None) is the time order to run in, the result coming
    back in the order given; `labels` name the rows and `names` the columns
    in messages; `missing` says what a NaN does (see `_gaps`). The first
    `warmup` samples of each series (in time order, gaps left out) come
    back NaN.
    """
    runner = wide() if wide is not None and values.ndim == 2 else None
    if values.size == 0:
        # Nothing to filter: no stream or call per column of an empty table.
        return np.empty(values.shape, dtype=np.float32)
    if values.ndim == 1:
        return _run(values, call, permutation, missing, labels, warmup=warmup)
    if runner is not None:
        return _run_wide(values, call, runner, permutation, missing, labels, names, warmup)
    # Column-major so that each column is one contiguous run.
    values = np.asfortranarray(values)
    result = np.empty(values.shape, dtype=np.float32, order="F")
    for column in range(values.shape[1]):
        result[:, column] = _run(values[:, column], call, permutation, missing, labels,
                                 _column(names, column), warmup)
    return result


def apply(x, call, missing="error", sort=False, wide=None, warmup=0):
    """`run_series` over an array or a list `x`, as it is ordered (`sort`
    is for labelled input, which an array is not)."""
    _gaps.check_choice(missing)
    return run_series(array_input(x), call, missing, wide=wide, warmup=warmup)
