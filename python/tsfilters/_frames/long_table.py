"""A long table as plain arrays (`Long`), and the plan that runs it: the
rows sorted by symbol and then time, each symbol's run one series, with a
symbol's two rows at one time stamp, a row without a symbol or a time stamp
and a gap under missing="error" refused, never guessed.

Every frame library (pandas, Polars, Arrow, Dask, the Polars expression)
only turns its columns into a `Long` (in pandas.py, polars.py or arrow.py);
the codes, the sort and the checks are all here, so that
every path refuses the same tables with the same messages.
"""

import numpy as np

from . import gaps as _gaps
from .label_text import are_date_texts

_INT64_MAX = np.iinfo(np.int64).max


class Long:
    """A long table as the filter needs it, one entry per row:

      keys     int64 codes of the symbol, equal for equal symbols, -1: none
      stamps   int64 codes of the time stamp, in time order
      undated  bool, True where the row has no time stamp (or None: none)
      values   the prices (float32 or float64), NaN where missing
      symbol(row), stamp(row)  the row's symbol and time stamp as shown
      where(row)               how a message points at the row
      clock    whether the stamps are clock times without a time zone,
               which repeat an hour when the clocks go back
    """

    def __init__(self, keys, stamps, undated, values, symbol, stamp, where, clock=False):
        self.keys, self.stamps, self.undated, self.values = keys, stamps, undated, values
        self.symbol, self.stamp, self.where, self.clock = symbol, stamp, where, clock


class Plan:
    """A long table sorted and checked: `order` (rows in symbol then time
    order, or None when they are already), `starts` (where each symbol's
    run begins in that order) and `values` (float32 in that order)."""

    def __init__(self, order, starts, values):
        self.order, self.starts, self.values = order, starts, values


# ---- codes ------------------------------------------------------------------------

def combine_keys(columns):
    """One int64 code per row for several key columns' codes (each int64,
    -1 for none): equal exactly where every column is equal, -1 where any
    column has none."""
    keys = np.asarray(columns[0], dtype=np.int64)
    for codes in columns[1:]:
        codes = np.asarray(codes, dtype=np.int64)
        width = int(codes.max(initial=-1)) + 1
        if width and int(keys.max(initial=0)) >= _INT64_MAX // max(width, 1):
            keys = _dense(keys)  # renumber so that the product fits
        keys = np.where((keys < 0) | (codes < 0), -1, keys * width + codes)
    return keys


def _dense(codes):
    """The same grouping as `codes` in codes 0..n-1, -1 kept."""
    unique, dense = np.unique(codes, return_inverse=True)
    dense = dense.astype(np.int64).reshape(codes.shape)
    if unique.size and unique[0] < 0:
        dense -= 1
    return dense


def time_codes(array):
    """(int64 stamps in time order, undated mask or None) of a NumPy array
    of datetime64, timedelta64, integers or floats; None for anything else
    (the reader then codes it itself)."""
    array = np.asarray(array)
    kind = array.dtype.kind
    if kind in "mM":
        stamps = array.view(np.int64)
        undated = np.isnat(array)
        return stamps, (undated if undated.any() else None)
    if kind in "iub":
        if kind == "u" and array.size and int(array.max()) > _INT64_MAX:
            return None
        return array.astype(np.int64, copy=False), None
    if kind == "f":
        undated = np.isnan(array)
        # An order-keeping map of doubles onto int64: flip the magnitude
        # bits of negative numbers; -0.0 is made 0.0 first.
        bits = (np.where(undated, 0.0, array).astype(np.float64) + 0.0).view(np.int64)
        stamps = bits ^ ((bits >> 63) & _INT64_MAX)
        return stamps, (undated if undated.any() else None)
    return None


def refuse_date_texts(first, time):
    """A column of dates written as text would sort by its characters."""
    if are_date_texts(first):
        raise ValueError(f"column {time!r} holds dates as text (e.g. {first[0]!r}), which would "
                         "sort by their characters, not by time; parse them first")


# ---- the sort and the checks -----------------------------------------------------

def plan(table, names, missing):
    """Sorts and checks `table` (a `Long`); `names` are the (value, by,
    time) column names for messages (`by` a name or a list of them)."""
    value, by, time = names
    _refuse_unplaced(table, by, time)
    order, key, span = _sort(table.keys, table.stamps)
    sorted_key = key if order is None else key[order]
    same = sorted_key[1:] == sorted_key[:-1]
    if same.any():
        row = int(np.argmax(same))
        row = row if order is None else int(order[row])
        hint = (" (local clock times repeat an hour when the clocks go back: give them "
                "their time zone)") if table.clock else ""
        raise ValueError(f"{_by(by)} {table.symbol(row)} has two rows at {time} "
                         f"{table.stamp(row)}{hint}; a series needs one value per time stamp")
    if span is None:
        symbols = table.keys if order is None else table.keys[order]
        starts = np.flatnonzero(np.r_[True, symbols[1:] != symbols[:-1]])
    else:
        group = sorted_key // span
        starts = np.flatnonzero(np.r_[True, group[1:] != group[:-1]])
    with np.errstate(over="ignore"):  # beyond float32's range: inf, a gap
        values = np.asarray(table.values if order is None else table.values[order])
        values = values.astype(np.float32, copy=False)
    if missing == "error":
        finite = np.isfinite(values)
        if not finite.all():
            at = int(np.argmin(finite))
            row = at if order is None else int(order[at])
            raise ValueError(f"{_by(by)} {table.symbol(row)} has {_gaps.what(values[at])} in "
                             f"column {value!r} at {time} {table.stamp(row)} "
                             f"({table.where(row)}); pass missing='drop' or 'previous'")
    return Plan(order, starts, values)


def _by(by):
    return by if isinstance(by, str) else ", ".join(map(str, by))


def _refuse_unplaced(table, by, time):
    """A row with no symbol, or no time stamp, belongs to no series."""
    no_key = table.keys < 0
    if no_key.any():
        row = int(np.argmax(no_key))
        what = by if isinstance(by, str) else _missing_key(table, row, by)
        raise ValueError(f"{table.where(row)} has no {what}; every row needs a {_by(by)} and "
                         f"a {time} to be filtered in its series")
    if table.undated is not None and table.undated.any():
        row = int(np.argmax(table.undated))
        raise ValueError(f"{table.where(row)} has no {time}; every row needs a {_by(by)} and "
                         f"a {time} to be filtered in its series")


def _missing_key(table, row, by):
    """Which of several key columns `row` lacks, when the reader can say."""
    missing = getattr(table, "missing_key", None)
    return by[missing(row)] if missing is not None else _by(by)


def _sort(keys, stamps):
    """(order or None, combined key, span or None): the rows in symbol then
    time order. Symbol and stamp fold into one int64 key when they fit, and
    a key of at most 32 bits sorts in two counting passes of 16 bits
    (NumPy's stable sort of 16-bit integers is a radix sort)."""
    if keys.size == 0:
        return None, keys, 1
    low, high = int(stamps.min()), int(stamps.max())
    offsets = stamps - low if high - low <= _INT64_MAX else None
    if offsets is not None:
        step = int(np.gcd.reduce(offsets[:4096]))
        if step > 1 and not (offsets % step).any():
            offsets //= step  # daily stamps in nanoseconds: a day is 1
        span = int(offsets.max()) + 1
        top = int(keys.max())
        if top < _INT64_MAX // span:
            key = keys * span + offsets
            return _sorted_order(key, (top + 1) * span), key, span
    order = np.lexsort((stamps, keys))
    # No single key: compare the pairs instead of folding them.
    pair = np.empty(keys.size, dtype=[("k", np.int64), ("t", np.int64)])
    pair["k"], pair["t"] = keys, stamps
    return order, pair, None


def _sorted_order(key, bound):
    """The order that sorts int64 `key` (0 <= key < bound), or None."""
    if (key[1:] >= key[:-1]).all():
        return None
    if bound <= 1 << 16:
        return np.argsort(key.astype(np.uint16), kind="stable")
    if bound <= 1 << 32:
        first = np.argsort((key & 0xFFFF).astype(np.uint16), kind="stable")
        second = np.argsort((key[first] >> 16).astype(np.uint16), kind="stable")
        return first[second]
    return np.argsort(key, kind="stable")
