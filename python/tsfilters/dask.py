"""Filtering a long table of many symbols, in pandas or on a Dask cluster.

A long table has one row per symbol and date, as price data is usually
stored; its rows need not be in any order. `assign` runs filter `name`
over each symbol's values in time order and adds the outputs as a column,
each on its own row:

    >>> frame = tsfilters.dask.assign(frame, "smooth", "ultimate_smoother", period=20,
    ...                               value="close", by="symbol", time="date")

`apply` (and `tsfilters.per_symbol`, the same for every frame library)
returns the outputs as a Series instead. Both take a pandas DataFrame or a
Dask DataFrame and give the same bits either way. A Dask Series is safe to
assign as a column only where Dask lines it up by partition: when the
frame's divisions are known, or under Dask without query planning; where
Dask would match it by index label instead, `apply` refuses and points
at `assign`.

On Dask, rows do not keep their order inside a group, and grouped applies
that return a Series are fragile in Dask's meta handling. So the work is
three plain steps: each row is tagged with its partition and position, the
table is shuffled so that each symbol's rows meet in one partition, where
they are sorted by time and filtered; the outputs are then sent back to the
partition and position they came from, never matched by index label (an
index read from several files repeats its labels across partitions).

Tag and return both read the frame's partitions, so they must be the same
partitions: each output carries its row's time stamp back, and a partition
whose rows do not match what came back is refused with a way out, never
filled with another row's value.
"""

import numpy as np
import pandas as pd

from . import _calls, _long
from ._frames import kinds
from ._frames.gaps import check_choice
from ._frames.long_columns import check_columns, key_names
from ._frames.pandas import read_long_table as read_pandas

_PART, _POS, _OUT = "_tsfilters_partition", "_tsfilters_position", "_tsfilters_output"
_STAMP = "_tsfilters_stamp"


def _filter_rows(frame, name, value, by, time, checked, missing, blank):
    """The filter's output for every row of the pandas `frame`, in its row
    order: each symbol's rows run in time order."""
    return _long.filter_rows(read_pandas(frame, value, by, time), name, checked, missing, blank,
                             (value, by, time))


def _check_frame(frame):
    table = kinds.is_a(frame, "pandas", "DataFrame") or hasattr(frame, "map_partitions")
    if not table or getattr(frame, "ndim", None) != 2:  # a Series has ndim 1
        raise TypeError(f"apply takes a long table (a pandas or Dask DataFrame with value, symbol "
                        f"and time columns), not a {type(frame).__module__.split('.')[0]} "
                        f"{type(frame).__name__}; to filter one series call "
                        "tsfilters.<filter>(series) instead")


def apply(frame, name, *, value="close", by="symbol", time="date", missing="error",
          warmup="keep", **parameters):
    """Filter `name` (with `parameters`, else its defaults) over column
    `value` of each `by` group in `time` order. A pandas DataFrame gives a
    pandas Series, a Dask DataFrame a Dask Series; either aligned with
    `frame`'s rows and named after the filter. `missing` and `warmup` as
    for the batch functions; tsfilters.per_symbol says more.

    >>> import pandas as pd
    >>> from tsfilters import dask
    >>> frame = pd.DataFrame({"symbol": ["B", "A", "B", "A"], "date": [2, 2, 1, 1],
    ...                       "close": [21.0, 11.0, 20.0, 10.0]})
    >>> dask.apply(frame, "super_smoother", period=10).tolist()   # each its own input
    [21.0, 11.0, 20.0, 10.0]
    """
    checked, blank = _checked_call(frame, name, value, by, time, missing, warmup, parameters)
    if kinds.is_a(frame, "pandas", "DataFrame"):
        out = _filter_rows(frame, name, value, by, time, checked, missing, blank)
        return pd.Series(out, index=frame.index, name=name)
    return run(frame, name, value, by, time, checked, missing, blank)



def _checked_call(frame, name, value, by, time, missing, warmup, parameters):
    """The checks `apply` and `assign` make before reading any partition:
    the filter and its parameters, `missing`, the frame and its columns."""
    # A PrecisionWarning points past _calls.checked_with_defaults, this and apply or
    # assign, at their caller.
    checked, blank = _calls.checked_with_defaults(name, parameters, warmup, stacklevel=4)
    check_choice(missing)
    _check_frame(frame)
    check_columns(frame.columns, value, by, time)
    return checked, blank

def assign(frame, column, name, *, value="close", by="symbol", time="date",
           missing="error", warmup="keep", **parameters):
    """`frame` with the output of `apply` as its new `column`, attached to
    each partition's own rows in their order: right for any index, also
    one whose labels repeat across partitions (a folder of files, each
    numbered from 0) and with unknown divisions, where a Series assigned
    as a column would be matched to rows by label.

    >>> import pandas as pd
    >>> from tsfilters import dask
    >>> frame = pd.DataFrame({"symbol": ["B", "A"], "date": [1, 1], "close": [2.0, 1.0]})
    >>> dask.assign(frame, "smooth", "super_smoother", period=10)["smooth"].tolist()
    [2.0, 1.0]
    """
    checked, blank = _checked_call(frame, name, value, by, time, missing, warmup, parameters)
    if kinds.is_a(frame, "pandas", "DataFrame"):
        out = _filter_rows(frame, name, value, by, time, checked, missing, blank)
        return frame.assign(**{column: out})
    routed = _routed(frame, name, value, by, time, checked, missing, blank)
    meta = frame._meta.assign(**{column: np.float32(0)})
    return frame.map_partitions(_attach_column, routed, column, time, align_dataframes=False,
                                meta=meta)


def _tag(part, columns, partition_info=None):
    """The filter's columns of `part`, each row tagged with its place."""
    return part[columns].assign(**{_PART: np.int64(partition_info["number"]),
                                   _POS: np.arange(len(part), dtype=np.int64)})


def _filter_shuffled(part, name, value, by, time, checked, missing, blank):
    out = _filter_rows(part, name, value, by, time, checked, missing, blank)
    return pd.DataFrame({_PART: part[_PART].to_numpy(), _POS: part[_POS].to_numpy(),
                         _STAMP: part[time].to_numpy(), _OUT: out})


_UNALIGNED = ("the Dask frame gave different partitions when it was read twice (a source "
              "that changes between reads, or one whose partitions Dask regroups); "
              "call frame = frame.persist() first, or filter a pandas frame of each file")


def _attach(part, routed, name, time):
    """The outputs routed back to `part`, in its row order; refused unless
    each output's time stamp is its row's."""
    routed = routed.sort_values(_POS)
    positions = routed[_POS].to_numpy()
    if len(routed) != len(part) or not np.array_equal(positions, np.arange(len(part))) \
            or not np.array_equal(routed[_STAMP].to_numpy(), part[time].to_numpy()):
        raise ValueError(f"{len(routed)} outputs came back for {len(part)} rows: {_UNALIGNED}")
    return pd.Series(routed[_OUT].to_numpy(), index=part.index, name=name)


def _attach_column(part, routed, column, time):
    return part.assign(**{column: _attach(part, routed, column, time).to_numpy()})


def _routed(frame, name, value, by, time, checked, missing, blank):
    """The filtered outputs, partition i of the result holding those of
    the rows of partition i of `frame`, with their positions."""
    count = frame.npartitions
    columns = key_names(by) + [time, value]
    # Tagged from the whole frame, as _attach reads it, not from a
    # selection of its columns, which Dask may read in other partitions.
    tagged = frame.map_partitions(
        _tag, columns, meta=frame._meta[columns].assign(**{_PART: np.int64(0),
                                                           _POS: np.int64(0)}))
    meta = pd.DataFrame({_PART: pd.Series(dtype=np.int64), _POS: pd.Series(dtype=np.int64),
                         _STAMP: frame._meta[time].reset_index(drop=True),
                         _OUT: pd.Series(dtype=np.float32)})
    filtered = tagged.shuffle(key_names(by)).map_partitions(
        _filter_shuffled, name, value, by, time, checked, missing, blank, meta=meta)
    return filtered.set_index(_PART, divisions=list(range(count)) + [count - 1])


def _refuse_label_alignment(frame, name, value, by, time):
    """Dask with query planning assigns a Series that is not built from
    the frame alone by matching index labels when the frame's divisions
    are unknown: rows whose labels repeat across partitions would swap
    values. Such a frame gets `assign`, which cannot mix rows up."""
    if getattr(frame, "expr", None) is None or frame.known_divisions:
        return
    by_text = f", by={by!r}" if by != "symbol" else ""
    raise ValueError(
        "the Dask frame's divisions are unknown, so a Series assigned to it would be "
        "matched to rows by index label, which puts values on the wrong rows where labels "
        "repeat across partitions (as in a folder of files, each numbered from 0); use "
        f"frame = tsfilters.dask.assign(frame, 'smooth', {name!r}, value={value!r}{by_text}, "
        f"time={time!r}, ...), which adds the column partition by partition, or give the "
        "frame a sorted unique index with known divisions")


def run(frame, name, value, by, time, checked, missing, blank):
    """`apply` of a Dask frame, its parameters checked."""
    _refuse_label_alignment(frame, name, value, by, time)
    routed = _routed(frame, name, value, by, time, checked, missing, blank)
    return frame.map_partitions(_attach, routed, name, time, align_dataframes=False,
                                meta=pd.Series(dtype=np.float32, name=name))
