"""The heart of filtering a long table: every symbol's rows gathered and run
through the filter in time order, and each output put back on its row.

A long table (one row per symbol and time stamp) comes in any row order,
so nothing here assumes one: the rows are sorted by symbol and then time,
each run of one symbol is one series, and the outputs are scattered back to
the rows they came from. A symbol with two rows at one time stamp has no
series (no order of the two is right), and a row without a symbol or a
time stamp belongs to none: all three are errors, never a guess.

The frame libraries differ only in how they read the three columns, so a
reader (long_tables, dask) turns a frame into a `Long` and this module does
the rest.
"""

import numpy as np

from . import _calls, _gaps
from ._parameters import given


class Long:
    """A long table as the filter needs it, one entry per row:

      keys     int codes of the symbol, equal for equal symbols, -1: none
      stamps   int codes of the time stamp in time order, -1: none
      values   the prices as float32, NaN where missing
      symbol(row), stamp(row)  the row's symbol and time stamp as shown
      where(row)               how a message points at the row
    """

    def __init__(self, keys, stamps, values, symbol, stamp, where):
        self.keys, self.stamps, self.values = keys, stamps, values
        self.symbol, self.stamp, self.where = symbol, stamp, where


def filter_rows(table, name, checked, missing, blank, names):
    """The output of filter `name` for every row of `table`, in its row
    order, float32 with NaN where the filter gives nothing. `checked` and
    `blank` come from `_calls.checked_call`; `names` are the (value, by,
    time) column names for messages."""
    value, by, time = names
    out = np.full(table.keys.size, np.nan, dtype=np.float32)
    if out.size == 0:
        return out
    _refuse_unplaced(table, by, time)
    order = np.lexsort((table.stamps, table.keys))
    keys, stamps = table.keys[order], table.stamps[order]
    starts = np.flatnonzero(np.r_[True, keys[1:] != keys[:-1]])
    repeated = np.flatnonzero((keys[1:] == keys[:-1]) & (stamps[1:] == stamps[:-1]))
    if repeated.size:
        row = int(order[repeated[0]])
        raise ValueError(f"{by} {table.symbol(row)} has two rows at {time} {table.stamp(row)}; "
                         "a series needs one value per time stamp")
    ordered = table.values[order]
    if missing == "error":
        gaps = _gaps.gaps(ordered)
        if gaps.any():
            row = int(order[np.argmax(gaps)])
            raise ValueError(f"{by} {table.symbol(row)} has {_gaps.what(table.values[row])} in "
                             f"column {value!r} at {time} {table.stamp(row)} "
                             f"({table.where(row)}); pass missing='drop' or 'previous'")
    for start, stop in zip(starts, np.r_[starts[1:], order.size]):
        out[order[start:stop]] = _calls.run(name, ordered[start:stop], checked, missing,
                                            False, 1, blank)
    return out


def _refuse_unplaced(table, by, time):
    """A row with no symbol, or no time stamp, belongs to no series."""
    for codes, what in ((table.keys, by), (table.stamps, time)):
        if (codes < 0).any():
            row = int(np.argmax(codes < 0))
            raise ValueError(f"{table.where(row)} has no {what}; every row needs a {by} and "
                             f"a {time} to be filtered in its series")


def checked(name, parameters, warmup, stacklevel):
    """`_calls.checked_call` with the filter's defaults for what is left out."""
    return _calls.checked_call(name, given(name, parameters), warmup, stacklevel + 1)
