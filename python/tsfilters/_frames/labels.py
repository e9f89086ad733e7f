"""What a pandas object's labels and column types say before it is filtered.

Two silent mistakes are caught here. A column of dates or durations (as
`reset_index()` of a price series leaves) would be filtered as nanosecond
counts. And an index of date texts, as a file read without `parse_dates`
has, sorts in the order of its characters, not of time: '02/01/2024'
before '12/31/2023'.
"""

import re

import numpy as np

from . import kinds
from . import order as _order


# A date as text: year-month-day, or day and month either way then a year,
# with -, / or . between, or a month's name next to a number.
_DATE_TEXT = re.compile(
    r"^\s*(\d{4}[-/.]\d{1,2}[-/.]\d{1,2}|\d{1,2}[-/.]\d{1,2}[-/.]\d{2,4}"
    r"|\d{1,2}[ -]?[A-Za-z]{3,9}[ -,]*\d{2,4}|[A-Za-z]{3,9}[ -]?\d{1,2},?[ -]?\d{2,4})"
    r"([ T]\d{1,2}:\d{2}.*)?\s*$")


def shown(label):
    """A label as an error message quotes it: numpy 2 writes a NumPy
    scalar's repr as np.int64(7), where the reader wrote 7."""
    return repr(label.item() if isinstance(label, np.generic) else label)


def is_datetime_like(dtype):
    """Dates, durations and periods: not prices, though NumPy would turn
    them into numbers."""
    return (getattr(dtype, "kind", "") in "mM" or kinds.is_a(dtype, "pandas", "DatetimeTZDtype", "PeriodDtype"))


def refuse_datetime_columns(obj):
    """TypeError naming the first column (or the Series) of dates,
    durations or periods."""
    if kinds.is_a(obj, "pandas", "Series"):
        if is_datetime_like(obj.dtype):
            name = f"the Series {obj.name!r}" if obj.name is not None else "the Series"
            raise TypeError(f"{name} holds {obj.dtype} values, not prices")
        return
    for label, dtype in obj.dtypes.items():
        if is_datetime_like(dtype):
            raise TypeError(f"column {label!r} holds {dtype} values, not prices; select the "
                            "price columns (or set the dates as the index)")


def looks_like_date_texts(index, sample=20):
    """Whether the index holds texts that read as dates (its first few)."""
    if index.dtype.kind not in "OSU" and not kinds.is_a(index.dtype, "pandas", "StringDtype"):
        return False
    return are_date_texts(index[:sample])


def are_date_texts(values):
    """Whether `values` (a few, None for missing) are all texts that read as
    dates, and there is at least one."""
    head = [value for value in values if value is not None]
    return bool(head) and all(isinstance(v, str) and _DATE_TEXT.match(v) for v in head)


def sort_order(index, what="the index"):
    """The permutation that sorts an index that is neither dates nor
    periods (numbers, texts) for sort=True, or None if it is in order
    already; ValueError for date texts, repeated labels or labels with no
    order among them."""
    if looks_like_date_texts(index):
        raise ValueError(f"{what} holds dates as text (e.g. {index[0]!r}), which would sort "
                         "by their characters, not by time; parse them first, e.g. "
                         "x.index = pd.to_datetime(x.index) or read_csv(..., parse_dates=...)")
    if index.is_monotonic_increasing and index.is_unique:
        return None
    if index.hasnans:
        raise ValueError(f"{what} has a missing label at position {int(np.argmax(index.isna()))}")
    try:
        permutation, _ = _order.plan(index.to_numpy(), sort=True)
    except TypeError:
        raise ValueError(f"{what} mixes labels that have no order among them; "
                         "sort=True cannot sort by it") from None
    except _order.OrderError as exc:
        raise ValueError(f"{what} repeats {shown(index[exc.first])} (positions {exc.first} and "
                         f"{exc.second}); a series needs one value per label") from None
    return permutation


def time_order(index, sort, what="the index"):
    """The order to run a series in, from its pandas index (a pandas
    object's, or an xarray coordinate's, which is one): only a datetime or
    period index says which sample is older; any other index is taken as
    given, or sorted by when `sort` asks (see `sort_order`). `what` names
    the index in messages. One check for every front that has an index."""
    if index.dtype.kind != "M" and not kinds.is_a(index, "pandas", "PeriodIndex"):
        return sort_order(index, what) if sort else None
    if index.is_monotonic_increasing and index.is_unique:  # both cached by pandas
        return None
    if index.hasnans:
        raise ValueError(f"{what} has a missing time stamp (NaT) at position "
                         f"{int(np.argmax(index.isna()))}")
    try:
        permutation, _ = _order.plan(index.asi8, sort)
    except _order.OrderError as exc:
        first, second = index[exc.first], index[exc.second]
        if exc.repeated:
            raise ValueError(f"{what} repeats {first} (positions {exc.first} and "
                             f"{exc.second}); a series needs one value per time stamp") from None
        raise ValueError(f"{what} is not in time order: {first} is followed by {second} "
                         f"(positions {exc.first} and {exc.second}); pass sort=True to sort "
                         "it first") from None
    return permutation
