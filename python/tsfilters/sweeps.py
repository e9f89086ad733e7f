"""Parameter sweeps: one filter over one series at many parameter sets,
every set one lane of a single call (all lanes read the same series).

    >>> table = tsfilters.sweep(closes, "laguerre_filter", gamma=[0.5, 0.8], period=range(10, 60))

gives one column per combination of the values, labelled by a MultiIndex of
the parameter values (in the filter's parameter order); a parameter given
as one value, or not at all (the filter's default), is the same for every
column. Each column has the bits of the batch call with its parameters.
"""

import itertools
from typing import Any, Optional

import numpy as np

from ._frames import columnar as _columnar
from ._engine import lanes as _lanes
from ._engine import parameters as _parameters
from ._engine import precision_limits as _precision_limits
from ._engine import warmup as _warmup
from ._frames import pandas as _pandas_frames
from ._frames.arrays import array_input, prepare


def _pandas():
    """pandas, imported on the first sweep that returns a DataFrame."""
    try:
        import pandas
    except ImportError:  # pragma: no cover - the test environments have it
        return None
    return pandas


def combinations(name, grid):
    """(parameter names, [one checked parameter set per combination])."""
    keys = _parameters.names(name)
    axes = []
    for key, value in _parameters.given(name, grid).items():
        values = [value] if np.ndim(value) == 0 else list(value)
        if not values:
            raise ValueError(f"{key} has no values to sweep")
        checked = [_parameters.CHECKS[key](key, v) for v in values]
        _refuse_repeats(key, checked)
        axes.append(checked)
    return keys, [dict(zip(keys, combination)) for combination in itertools.product(*axes)]


def _as_passed(value):
    """A parameter as the library receives it: periods are int32 already,
    gamma travels as a float32, so 0.8 and 0.8000000001 are one value."""
    return np.float32(value) if isinstance(value, float) else value


def _refuse_repeats(key, values):
    """Two equal values would give two identical columns, and two columns
    of one name in a table, found only after the whole sweep has run."""
    seen = {}
    for value in values:
        shown = _shown(value)
        if shown in seen:
            same = "" if seen[shown] == value else f" (both {shown} as the library takes it)"
            raise ValueError(f"{key} lists {seen[shown]!r} and {value!r}{same}: each value "
                             "may appear once in a sweep")
        seen[shown] = value


def _shown(value):
    """The shortest text that reads back as the value the library takes:
    distinct float32 values always get distinct names."""
    passed = _as_passed(value)
    if isinstance(passed, np.float32):
        return np.format_float_positional(passed, unique=True, trim="-")
    return str(passed)


def column_name(keys, parameters):
    """An Arrow or Polars column's name: "gamma=0.5,period=10"."""
    return ",".join(f"{k}={_shown(parameters[k])}" for k in keys)


def sweep(x: Any, name: str, *, missing: str = "error", sort: bool = False,
          threads: Optional[int] = None, frame: Optional[bool] = None,
          warmup: str = "keep", **grid: Any) -> Any:
    """Filter `name` over the series `x` (1-D array-like or Series) at every
    combination of the parameter values in `grid`.

    Returns a DataFrame (index: the Series' index, or 0..n-1) with a column
    per combination, or a 2-D float32 array (rows are samples, columns are
    the combinations in `itertools.product` order) when `frame` is False or
    pandas is not installed. A pyarrow Array or polars Series gives a pyarrow
    Table or polars DataFrame with a column per combination, named
    "gamma=0.5,period=10". `missing`, `sort`, `threads` and `warmup` as
    for the batch functions: with warmup="nan" each column is blanked up to
    the settling length of its own parameters.

    >>> import numpy as np, tsfilters
    >>> closes = 50 + np.sin(np.arange(300) / 5)
    >>> table = tsfilters.sweep(closes, "laguerre_filter", frame=False,
    ...                         gamma=[0.5, 0.8], period=range(10, 13))
    >>> table.shape                                 # 2 gammas x 3 periods
    (300, 6)
    """
    keys, sets = combinations(name, grid)
    _warmup.check_warmup(warmup)
    _precision_limits.warn(name, sets, stacklevel=2)
    threads = _lanes.check_threads(threads)
    columnar = _columnar.read(x)
    is_pandas = columnar is None and _pandas_frames.is_pandas(x)
    if is_pandas:
        values, permutation, labels = _pandas_frames.series_input(x, sort)
    else:
        values = array_input(x if columnar is None else columnar.values)
        permutation = labels = None
    if values.ndim != 1:
        raise ValueError(f"a sweep runs over one series, not a {values.ndim}-D array")
    prepared = prepare(values, permutation, missing, labels)
    series = prepared.values
    # A column stride of 0: every lane reads the same samples.
    shared = np.lib.stride_tricks.as_strided(series, shape=(series.size, len(sets)),
                                             strides=(series.strides[0], 0), writeable=False)
    _pd = _pandas() if frame is not False and columnar is None else None
    # A table keeps each column in one run: written so by the lanes, the
    # result becomes a DataFrame's block (or Arrow's and Polars' columns)
    # without a copy, where a copy of a wide sweep cost twice its lanes.
    table = frame is not False and (columnar is not None or _pd is not None)
    out = np.empty(shared.shape, dtype=np.float32, order="F" if table else "C")
    streams = _lanes.new_streams(name, sets)
    _lanes.run(streams, shared, out, threads)
    if _parameters.row(name).rms_scaled:
        _lanes.patch_windows(streams, out)
    for j, parameters in enumerate(sets):
        out[:_warmup.blanked(name, warmup, **parameters), j] = np.nan
    out = prepared.restore(out)
    if columnar is not None and frame is not False:
        # Arrow and Polars columns are named, not indexed: "gamma=0.5,period=10".
        return _columnar.table(x, out, [column_name(keys, s) for s in sets])
    if _pd is None:
        return out
    columns = _pd.MultiIndex.from_tuples([tuple(s[k] for k in keys) for s in sets], names=keys)
    index = x.index if is_pandas else None
    return _pd.DataFrame(out, index=index, columns=columns, copy=False)
