"""What a pandas object's labels and column types say before it is filtered.

Two silent mistakes are caught here. A column of dates or durations (as
`reset_index()` of a price series leaves) would be filtered as nanosecond
counts. And an index of date texts, as a file read without `parse_dates`
has, sorts in the order of its characters, not of time: '02/01/2024'
before '12/31/2023'.
"""

import re
import sys

import numpy as np

from . import _order


def _pandas():
    # Only pandas objects come here, so pandas is loaded; importing it with
    # the package would add its import time to `import tsfilters`.
    return sys.modules["pandas"]

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
    return (getattr(dtype, "kind", "") in "mM" or isinstance(dtype, (_pandas().DatetimeTZDtype, _pandas().PeriodDtype)))


def refuse_datetime_columns(obj):
    """TypeError naming the first column (or the Series) of dates,
    durations or periods."""
    if isinstance(obj, _pandas().Series):
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
    if index.dtype.kind not in "OSU" and not isinstance(index.dtype, _pandas().StringDtype):
        return False
    return are_date_texts(index[:sample])


def are_date_texts(values):
    """Whether `values` (a few, None for missing) are all texts that read as
    dates, and there is at least one."""
    head = [value for value in values if value is not None]
    return bool(head) and all(isinstance(v, str) and _DATE_TEXT.match(v) for v in head)


def sort_order(index):
    """The permutation that sorts an index that is neither dates nor
    periods (numbers, texts) for sort=True, or None if it is in order
    already; ValueError for date texts, repeated labels or labels with no
    order among them."""
    if looks_like_date_texts(index):
        raise ValueError(f"the index holds dates as text (e.g. {index[0]!r}), which would sort "
                         "by their characters, not by time; parse them first, e.g. "
                         "x.index = pd.to_datetime(x.index) or read_csv(..., parse_dates=...)")
    if index.is_monotonic_increasing and index.is_unique:
        return None
    if index.hasnans:
        raise ValueError(f"the index has a missing label at position {int(np.argmax(index.isna()))}")
    try:
        permutation, _ = _order.plan(index.to_numpy(), sort=True)
    except TypeError:
        raise ValueError("the index mixes labels that have no order among them; "
                         "sort=True cannot sort by it") from None
    except _order.OrderError as exc:
        raise ValueError(f"the index repeats {shown(index[exc.first])} (positions {exc.first} and "
                         f"{exc.second}); a series needs one value per label") from None
    return permutation
