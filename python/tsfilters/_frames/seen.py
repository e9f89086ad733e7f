"""Bars that arrive twice.

A live feed that reconnects sends its last bars again. A stream cannot tell
a repeated value from a new one, and feeding it twice moves the filter on as
if time had advanced. So a stream remembers the date of the last bar it was
fed (from a pandas index, or a row's name) and looks at every dated chunk or
row against it:

  error  a bar at or before that date is a ValueError naming the dates, and
         nothing of the call is fed (the default);
  skip   such bars are dropped: neither fed nor returned.

The date travels with the stream: in a pickle, and in `to_bytes()` unless
the caller asks for the library's bare state (`dates=False`).
"""

import datetime
import json
import struct
import sys

import numpy as np

from . import kinds

CHOICES = ("error", "skip")
# Saved bytes that carry a date: this magic, the length of a JSON header,
# the header, then the library's own saved state.
MAGIC = b"TSFD"
# A header holds one date and its frequency, tens of bytes; one far longer
# was not written by `envelope`, and is not read (a deep nest of arrays
# would exhaust the JSON reader's recursion).
MAX_HEADER = 1024


def check_choice(seen):
    if seen not in CHOICES:
        raise ValueError(f"seen must be one of {', '.join(CHOICES)}, not {seen!r}")
    return CHOICES[CHOICES.index(seen)]  # the text itself, not what compared equal to it


def _pandas():
    return sys.modules.get("pandas")


def is_dated(index):
    """Whether a pandas index says when each bar was."""
    return index.dtype.kind == "M" or kinds.is_a(index, "pandas", "PeriodIndex")


def date_of(label):
    """A row's name as a date, or None when it is not one. A NaT name is
    a ValueError: it compares false with every date, so it would pass as
    new and, remembered as the last date, let every later bar through."""
    _pd = _pandas()
    if _pd is None:  # no pandas, no pandas dates
        return None
    if label is _pd.NaT or (isinstance(label, np.datetime64) and np.isnat(label)):
        raise ValueError("the row is named NaT, not a date; a stream needs every bar's date "
                         "to tell new bars from ones it has seen")
    if isinstance(label, (datetime.date, np.datetime64)):
        return _pd.Timestamp(label)
    if kinds.is_a(label, "pandas", "Period"):
        return label
    return None


def refuse_nat(index, what):
    """ValueError naming the first NaT of a dated index: such a bar has no
    place in time, before or after the last one fed."""
    if index.hasnans:
        position = int(np.argmax(np.asarray(index.isna())))
        raise ValueError(f"{what} has NaT for a date at position {position}; a stream needs "
                         "every bar's date to tell new bars from ones it has seen (drop the "
                         "rows without a date first)")


def _older(dates, last):
    try:
        return np.asarray(dates <= last, dtype=bool)
    except TypeError as exc:
        raise ValueError(f"cannot compare the dates {dates[:1].tolist()} with the last date "
                         f"fed, {last}: {exc}") from None


def fresh(dates, last, seen):
    """A mask of the bars in `dates` (an index) after `last`, or None when
    all are; ValueError for seen="error" when some are not."""
    if last is None or len(dates) == 0:
        return None
    older = _older(dates, last)
    if not older.any():
        return None
    if seen == "error":
        shown = [str(d) for d in dates[older][:5]]
        more = f" and {int(older.sum()) - 5} more" if older.sum() > 5 else ""
        raise ValueError(f"the bars of {', '.join(shown)}{more} are at or before {last}, the "
                         "last one this stream was fed; nothing was fed (pass seen='skip' to "
                         "drop bars already seen)")
    return ~older


def envelope(date, state):
    """Saved bytes carrying `date` (a Timestamp or Period) with `state`."""
    if kinds.is_a(date, "pandas", "Period"):
        header = {"period": str(date), "freq": date.freqstr}
    else:
        header = {"timestamp": date.isoformat()}
    text = json.dumps(header).encode("utf-8")
    return MAGIC + struct.pack("<I", len(text)) + text + state


def envelope_json(header, state):
    """Saved bytes carrying `header` (JSON-ready) with `state`: a book's
    options that only this package reads."""
    text = json.dumps(header, separators=(",", ":")).encode("utf-8")
    return MAGIC + struct.pack("<I", len(text)) + text + state


def open_json_envelope(data):
    """(header or None, the rest) of saved bytes with a JSON header of any
    length up to the bytes' own (a book's holds a date per series)."""
    if not data.startswith(MAGIC):
        return None, data
    if len(data) < 8:
        raise ValueError("the saved bytes end inside their header")
    size, = struct.unpack_from("<I", data, 4)
    if len(data) < 8 + size:
        raise ValueError("the saved bytes end inside their header")
    try:
        header = json.loads(data[8:8 + size].decode("utf-8"))
    except (ValueError, RecursionError) as exc:
        raise ValueError(f"the saved bytes' header is not readable: {exc}") from None
    return header, data[8 + size:]


def _date_from_header(header):
    """The date a header holds, if it holds it as `envelope` writes it:
    {"timestamp": isoformat} or {"period": text, "freq": freqstr}, texts
    that read back to themselves. Anything else (NaT, "now", a number, a
    date without its time) is what `envelope` never writes."""
    import pandas as pd  # a dated stream was saved from pandas input
    if not isinstance(header, dict) or not all(isinstance(v, str) for v in header.values()):
        raise ValueError("it is not an object of texts")
    if set(header) == {"timestamp"}:
        text = header["timestamp"]
        date = pd.Timestamp(text)
        written = None if date is pd.NaT else date.isoformat()
    elif set(header) == {"period", "freq"}:
        text = header["period"]
        date = pd.Period(text, freq=header["freq"])
        written = None if date is pd.NaT else (str(date), date.freqstr)
        text = (text, header["freq"])
    else:
        raise ValueError(f"it has the keys {sorted(header)}")
    if written != text:
        raise ValueError(f"{text!r} is not a date as a saved stream writes it")
    return date


def open_envelope(data):
    """(date or None, the library's saved state) of saved bytes."""
    if not data.startswith(MAGIC):
        return None, data
    if len(data) < 8:
        raise ValueError("the saved bytes end inside their date header")
    size, = struct.unpack_from("<I", data, 4)
    if size > MAX_HEADER:
        raise ValueError(f"the saved bytes' date header of {size} bytes is not one a stream "
                         f"writes (at most {MAX_HEADER})")
    if len(data) < 8 + size:
        raise ValueError("the saved bytes end inside their date header")
    try:
        date = _date_from_header(json.loads(data[8:8 + size].decode("utf-8")))
    except (ValueError, KeyError, TypeError, AttributeError, OverflowError,
            RecursionError) as exc:
        raise ValueError(f"the saved bytes' date header is not readable: {exc}") from None
    return date, data[8 + size:]


UNKNOWN_MESSAGE = ("the last date {who}was fed is unknown: samples without a date came after "
                   "the bar of {date}, so a dated bar cannot be told new from seen; give such "
                   "samples their date (update(x, at=date)) or reset()")
# Per-series last dates of a book, as int64 keys: nanoseconds since the
# epoch (UTC for a zoned clock) or a period's ordinal. These two keys are
# no date: never dated (or reset), and dated once but fed undated samples
# since.
NONE = np.iinfo(np.int64).min
UNKNOWN = NONE + 1


def as_date(at):
    """`at=` as a date a stream keeps (Timestamp or Period); ValueError for
    NaT or what is no date."""
    if isinstance(at, str):
        _pd = _pandas()
        if _pd is None:
            raise ValueError(f"at={at!r} is text; pass a date (pandas is needed for dates)")
        try:
            at = _pd.Timestamp(at)
        except (ValueError, TypeError):
            raise ValueError(f"at={at!r} does not read as a date") from None
        if at is _pd.NaT:
            raise ValueError(f"at={at!r} is NaT, not a date")
        return at
    date = date_of(at)
    if date is None:
        raise ValueError(f"at must be a date (a datetime, Timestamp or Period), not "
                         f"{type(at).__name__} {at!r}")
    return date


class Clock:
    """How a book's dates become int64 keys and back: one clock per book
    (timestamps of one zone, or periods of one frequency), set by the first
    date it is fed; a date of another clock cannot be compared."""

    def __init__(self, kind=None):
        self.kind = kind  # None, ("timestamp", tz or None) or ("period", freq)

    @staticmethod
    def _of(date):
        if kinds.is_a(date, "pandas", "Period"):
            return ("period", date.freqstr)
        return ("timestamp", None if date.tz is None else str(date.tz))

    def _join(self, kind, shown):
        if self.kind is None:
            self.kind = kind
        elif kind != self.kind:
            raise ValueError(f"cannot compare the date {shown} with the dates this book was "
                             f"fed ({self.kind[0]}s, {self.kind[1] or 'no time zone'})")

    def key(self, date):
        self._join(self._of(date), date)
        return int(date.ordinal) if self.kind[0] == "period" else int(date.value)

    def keys(self, index):
        if kinds.is_a(index, "pandas", "PeriodIndex"):
            self._join(("period", index.freqstr), index[0])
            return np.asarray(index.asi8, dtype=np.int64)
        self._join(("timestamp", None if index.tz is None else str(index.tz)), index[0])
        if hasattr(index, "as_unit"):
            index = index.as_unit("ns")
        return np.asarray(index.asi8, dtype=np.int64)

    def date(self, key):
        if key in (NONE, UNKNOWN) or self.kind is None:
            return None
        _pd = _pandas()
        if self.kind[0] == "period":
            return _pd.Period(ordinal=int(key), freq=self.kind[1])
        return _pd.Timestamp(int(key), tz=self.kind[1])
