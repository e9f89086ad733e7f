"""Turning what callers pass into what the library takes, and back.

The library reads and writes single-precision floats, so every input is
converted to a contiguous float32 array first (float64 values are rounded to
the nearest float32, as a C host casting double to float would). Outputs are
new float32 arrays prefilled with NaN: the slots the library leaves unwritten
(slot 0 of LaguerreFilter, the whole output of an oscillator that has fewer
than 100 samples or a zero RMS) therefore read NaN rather than garbage.
pandas objects with a datetime index are put in time order first and their
output put back in theirs.
"""

import copy
import sys

import numpy as np

from . import gaps as _gaps
from . import kinds
from . import labels as _labels
from . import not_prices as _not_prices
from . import order as _order
from .._engine.values import (INT32_MAX, INT32_MIN, check_int32, check_length,  # noqa: F401 (for callers)
                             check_real)

def loaded_pandas():
    """pandas if something has imported it, else None: a Series or DataFrame
    cannot exist before that, and importing it here would add its import
    time (longer than the rest of the package's) to `import tsfilters`."""
    return sys.modules.get("pandas")


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


def _pandas_values(obj):
    _labels.refuse_datetime_columns(obj)
    _not_prices.check_pandas(obj)
    values = getattr(obj, "values", None)
    if kinds.is_array(values) and values.dtype.kind in "iuf":
        return values  # plain NumPy data: no copy, no NaN fill
    try:
        # na_value turns pandas' missing markers (pd.NA, None) into NaN.
        return obj.to_numpy(dtype=np.float64, na_value=np.nan)
    except (TypeError, ValueError) as exc:
        raise TypeError(f"x must hold real numbers: {exc}") from None


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


def series_input(x, sort):
    """(float32 values, time-order permutation or None, labels or None, is
    pandas) for any input, as `apply` reads it."""
    is_pandas = kinds.is_a(x, "pandas", "Series", "DataFrame")
    values = _as_float32(_pandas_values(x) if is_pandas else x)
    check_length(values.shape[0])
    permutation = _labels.time_order(x.index, sort) if is_pandas else None
    # Positions say all there is to say about a default 0..n-1 index.
    labels = x.index if is_pandas and not kinds.is_a(x.index, "pandas", "RangeIndex") else None
    return values, permutation, labels, is_pandas


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
    return f"column {_labels.shown(names[j])}" if names is not None else f"column {j}"


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


def apply(x, call, missing="error", sort=False, wide=None, warmup=0):
    """Runs `call(input, count, output)` on each series of `x` and returns
    the result in the shape and type of `x`.

    1-D input (array-like or Series) is one series; 2-D input (array or
    DataFrame) is one series per column, each filtered on its own, or all
    at once through the runner `wide()` returns (if any). A pandas object
    with a datetime index runs in time order and comes back in its own
    order; `missing` says what a NaN does (see `_gaps`). The first
    `warmup` samples of each series (in time order, gaps left out) come
    back NaN.
    """
    _gaps.check_choice(missing)
    values, permutation, labels, is_pandas = series_input(x, sort)
    is_series = is_pandas and values.ndim == 1
    is_frame = is_pandas and values.ndim == 2
    runner = wide() if wide is not None and values.ndim == 2 else None
    names = x.columns if is_frame else None
    if values.size == 0:
        # Nothing to filter: no stream or call per column of an empty table.
        result = np.empty(values.shape, dtype=np.float32)
    elif values.ndim == 1:
        result = _run(values, call, permutation, missing, labels, warmup=warmup)
    elif runner is not None:
        result = _run_wide(values, call, runner, permutation, missing, labels, names, warmup)
    else:
        # Column-major so that each column is one contiguous run.
        values = np.asfortranarray(values)
        result = np.empty(values.shape, dtype=np.float32, order="F")
        for column in range(values.shape[1]):
            result[:, column] = _run(values[:, column], call, permutation, missing, labels,
                                     _column(names, column), warmup)
    _pd = loaded_pandas()
    if is_series:
        # The result is ours alone: no copy (pandas 3 copies arrays by default).
        out = _pd.Series(result, index=x.index, name=x.name, copy=False)
    elif is_frame:
        out = _pd.DataFrame(result, index=x.index, columns=x.columns, copy=False)
    else:
        return result
    # What the caller recorded about the data (a unit, a source) holds for
    # the filtered values too, as pandas' own operations carry it; a copy,
    # so that neither object's attrs change the other's.
    out.attrs = copy.deepcopy(x.attrs)
    return out
