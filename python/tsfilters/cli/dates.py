"""Reading a column of date texts, refusing to guess between day-first and
month-first.

ISO dates (2024-03-04, with or without a time) and dates with a month name
read one way only. Numeric dates that start with the day or the month
(03/04/2024, 31.12.2020, 1-2-20) read as day-first when some day is above
12, as month-first when some month is; a column where every such date fits
both readings (and some would differ) is an error, never a guess: the caller
says `dayfirst` or gives a format.
"""

import warnings

import numpy as np
import pandas as pd

from .._frames import kinds

# Two numbers of one or two digits, then a year: day and month in either order.
_DAY_MONTH = r"^\s*(\d{1,2})([/.\-])(\d{1,2})\2(?:\d{4}|\d{2})(?!\d)"


class DateError(ValueError):
    """Cell `position` is not a date (in the form the column uses)."""

    def __init__(self, position):
        super().__init__(f"position {position} is not a date")
        self.position = position


class AmbiguousDates(ValueError):
    """Every numeric date fits day-first and month-first; `position` is the
    first one the two readings disagree on."""

    def __init__(self, position):
        super().__init__(f"position {position} reads as day/month or month/day")
        self.position = position


# pandas 2 and later infer a column's format by themselves (and read each
# cell on its own with format="mixed"); pandas 1 is asked to.
_INFER = {"format": "mixed"} if int(pd.__version__.split(".")[0]) >= 2 \
    else {"infer_datetime_format": True}


def _nanoseconds(parsed):
    """pandas 2 and later pick the unit from the text (seconds for plain
    dates); the rest of the package, and numpy callers, get nanoseconds."""
    return parsed.dt.as_unit("ns") if hasattr(parsed.dt, "as_unit") else parsed


def _to_datetime(cells, **options):
    with warnings.catch_warnings():
        # pandas warns when it falls back to per-cell parsing or when the
        # inferred format disagrees with `dayfirst`; every cell is checked
        # below, so the warnings add nothing.
        warnings.simplefilter("ignore")
        try:
            parsed = pd.to_datetime(cells, errors="coerce", **options)
        except ValueError:  # pandas 3 refuses mixed UTC offsets outright
            parsed = None
    if parsed is None or kinds.is_a(parsed.dtype, "pandas", "DatetimeTZDtype") or parsed.dtype == object:
        # Stamps with UTC offsets: compare and draw them as UTC instants.
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            parsed = pd.to_datetime(cells, errors="coerce", utc=True, **options)
        parsed = parsed.dt.tz_localize(None)
    return _nanoseconds(parsed)


def _first_bad(bad):
    bad = np.asarray(bad, dtype=bool)
    if bad.any():
        raise DateError(int(np.argmax(bad)))


def looks_like_dates(cells, sample=50):
    """Whether the first `sample` cells all read as dates (either way)."""
    head = pd.Series(cells[:sample], dtype=object)
    return head.size > 0 and not _to_datetime(head, **_INFER).isna().any()


def parse(cells, date_format=None, dayfirst=None):
    """The cells as datetime64[ns]. `date_format` (strptime codes) wins;
    `dayfirst` True/False settles numeric day/month dates; None decides from
    the data or raises AmbiguousDates. DateError names the first cell that
    does not read."""
    text = pd.Series(cells, dtype=object)
    if date_format is not None:
        parsed = _to_datetime(text, format=date_format)
        _first_bad(parsed.isna())
        return parsed.to_numpy()
    first = text.iloc[0] if text.size else ""
    parts = text.str.extract(_DAY_MONTH) if pd.Series([first]).str.match(_DAY_MONTH).iloc[0] else None
    if parts is None:
        parsed = _to_datetime(text, **_INFER)
        _first_bad(parsed.isna())
        return parsed.to_numpy()

    _first_bad(parts[0].isna())  # a cell not in the form of the first one
    a = parts[0].astype(int).to_numpy()
    b = parts[2].astype(int).to_numpy()
    if dayfirst is None:
        day_first, month_first = a > 12, b > 12
        if day_first.any() and month_first.any():
            # Both readings are ruled out somewhere: the later proof is the
            # cell that breaks the form the earlier one set.
            raise DateError(max(int(np.argmax(day_first)), int(np.argmax(month_first))))
        if day_first.any() or month_first.any():
            dayfirst = bool(day_first.any())
        elif (a != b).any():
            raise AmbiguousDates(int(np.argmax(a != b)))
        else:
            dayfirst = False  # day equals month everywhere: both read alike
    parsed = _to_datetime(text, dayfirst=dayfirst, **_INFER)
    day, month = (a, b) if dayfirst else (b, a)
    # pandas may parse cell by cell and swap day and month where a cell
    # allows it; the numbers the text shows must be the ones read.
    index = pd.DatetimeIndex(parsed)
    _first_bad(parsed.isna().to_numpy() | (index.day != day) | (index.month != month))
    return parsed.to_numpy()
