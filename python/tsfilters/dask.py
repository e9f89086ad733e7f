"""Filtering a long table of many symbols, in pandas or on a Dask cluster.

A long table has one row per symbol and date, as price data is usually
stored; its rows need not be in any order. `apply` runs filter `name` over
each symbol's values in time order and returns one output per row, aligned
with the input:

    >>> frame["smooth"] = tsfilters.dask.apply(frame, "ultimate_smoother", period=20,
    ...                                        value="close", by="symbol", time="date")

The same call takes a pandas DataFrame or a Dask DataFrame (then it returns
a Dask Series with the frame's partitions, ready to assign as a column), and
gives the same bits either way: both run each symbol's rows through the same
batch call.

On Dask, rows do not keep their order inside a group, and grouped applies
that return a Series are fragile in Dask's meta handling. So the work is
three plain steps: each row is tagged with its partition and position, the
table is shuffled so that each symbol's rows meet in one partition, where
they are sorted by time and filtered; the outputs are then sent back to the
partition and position they came from.
"""

import numpy as np
import pandas as pd

from . import _gaps, _parameters
from ._gaps import check_choice
from .filters import FILTERS

_PART, _POS, _OUT = "_tsfilters_partition", "_tsfilters_position", "_tsfilters_output"


def _filter_rows(frame, name, value, by, time, parameters, missing):
    """The filter's output for every row of the pandas `frame`, in its row
    order: each symbol's rows run in time order."""
    out = np.full(len(frame), np.nan, dtype=np.float32)
    if len(frame) == 0:
        return out
    keys = pd.factorize(frame[by])[0]
    stamps = frame[time].to_numpy()
    order = np.lexsort((stamps, keys))
    keys, stamps = keys[order], stamps[order]
    starts = np.flatnonzero(np.r_[True, keys[1:] != keys[:-1]])
    repeated = np.flatnonzero((keys[1:] == keys[:-1]) & (stamps[1:] == stamps[:-1]))
    if repeated.size:
        row = order[repeated[0]]
        raise ValueError(f"{by} {frame[by].iloc[row]!r} has two rows at {time} "
                         f"{frame[time].iloc[row]}; a series needs one value per time stamp")
    values = frame[value].to_numpy(dtype=np.float64, na_value=np.nan)
    if missing == "error":
        _refuse_gaps(frame, values, order, value, by, time)
    function = FILTERS[name][0]
    for start, stop in zip(starts, np.r_[starts[1:], len(order)]):
        rows = order[start:stop]
        out[rows] = function(values[rows], **parameters, missing=missing)
    return out


def _refuse_gaps(frame, values, order, value, by, time):
    """Names a symbol's first gap (in its time order) by symbol and time
    stamp: its position inside the symbol's series would be a valid row
    number of the frame, and a wrong one."""
    with np.errstate(over="ignore"):  # beyond float32's range: inf, a gap
        gaps = _gaps.gaps(values[order].astype(np.float32))
    if gaps.any():
        row = int(order[np.argmax(gaps)])
        raise ValueError(f"{by} {frame[by].iloc[row]!r} has {_gaps.what(np.float32(values[row]))} "
                         f"in column {value!r} at {time} {frame[time].iloc[row]} (row label "
                         f"{frame.index[row]!r}); pass missing='drop' or 'previous'")


def _check_frame(frame):
    table = isinstance(frame, pd.DataFrame) or hasattr(frame, "map_partitions")
    if not table or getattr(frame, "ndim", None) != 2:  # a Series has ndim 1
        raise TypeError(f"apply takes a long table (a pandas or Dask DataFrame with value, symbol "
                        f"and time columns), not a {type(frame).__module__.split('.')[0]} "
                        f"{type(frame).__name__}; to filter one series call "
                        "tsfilters.<filter>(series) instead")


def _check_columns(frame, value, by, time):
    missing = [c for c in (value, by, time) if c not in frame.columns]
    if missing:
        raise KeyError(f"the frame has no column {', '.join(map(repr, missing))}; "
                       f"it has {', '.join(map(repr, frame.columns))}")


def apply(frame, name, *, value="close", by="symbol", time="date", missing="error",
          **parameters):
    """Filter `name` (with `parameters`, else its defaults) over column
    `value` of each `by` group in `time` order. A pandas DataFrame gives a
    pandas Series, a Dask DataFrame a Dask Series; either aligned with
    `frame`'s rows and named after the filter. `missing` as for the batch
    functions."""
    parameters = _parameters.checked(name, parameters)
    check_choice(missing)
    _check_frame(frame)
    _check_columns(frame, value, by, time)
    if isinstance(frame, pd.DataFrame):
        out = _filter_rows(frame, name, value, by, time, parameters, missing)
        return pd.Series(out, index=frame.index, name=name)
    return _dask_apply(frame, name, value, by, time, parameters, missing)


def _tag(part, partition_info=None):
    return part.assign(**{_PART: np.int64(partition_info["number"]),
                          _POS: np.arange(len(part), dtype=np.int64)})


def _filter_shuffled(part, name, value, by, time, parameters, missing):
    out = _filter_rows(part, name, value, by, time, parameters, missing)
    return pd.DataFrame({_PART: part[_PART].to_numpy(), _POS: part[_POS].to_numpy(), _OUT: out})


def _attach(part, routed, name):
    """The outputs routed back to `part`, in its row order."""
    outputs = routed.sort_values(_POS)[_OUT].to_numpy()
    if len(outputs) != len(part):
        raise RuntimeError(f"{len(outputs)} outputs came back for {len(part)} rows")
    return pd.Series(outputs, index=part.index, name=name)


def _dask_apply(frame, name, value, by, time, parameters, missing):
    count = frame.npartitions
    columns = frame[[by, time, value]]
    tagged = columns.map_partitions(
        _tag, meta=columns._meta.assign(**{_PART: np.int64(0), _POS: np.int64(0)}))
    meta = pd.DataFrame({_PART: pd.Series(dtype=np.int64), _POS: pd.Series(dtype=np.int64),
                         _OUT: pd.Series(dtype=np.float32)})
    filtered = tagged.shuffle(by).map_partitions(
        _filter_shuffled, name, value, by, time, parameters, missing, meta=meta)
    # Partition i of `routed` holds exactly the outputs of input partition i.
    routed = filtered.set_index(_PART, divisions=list(range(count)) + [count - 1])
    return frame.map_partitions(_attach, routed, name, align_dataframes=False,
                                meta=pd.Series(dtype=np.float32, name=name))
