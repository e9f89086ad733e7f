"""The order an index (a pandas object's, or an xarray coordinate's, which
is one) puts a series in.

A datetime or period index says which sample is older; any other index is
taken as given, or sorted by on request. An index of date texts, as a file
read without `parse_dates` has, would sort in the order of its characters,
not of time ('02/01/2024' before '12/31/2023'), so it is refused.
"""

import numpy as np

from . import kinds
from . import order as _order
from .label_text import are_date_texts, shown  # noqa: F401 (for callers)


def looks_like_date_texts(index, sample=20):
    """Whether the index holds texts that read as dates (its first few)."""
    if index.dtype.kind not in "OSU" and not kinds.is_a(index.dtype, "pandas", "StringDtype"):
        return False
    return are_date_texts(index[:sample])


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
