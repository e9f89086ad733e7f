"""The command line's series: the value and date columns of a CSV file,
checked for time order and gaps, ready for the filters. Every problem is
reported with the file and the line."""

import datetime
import re
import sys

import numpy as np
import pandas as pd
from dateutil import parser as date_parser

from . import dates as _dates
from .._frames import gaps as _gaps
from .._frames import order as _order
from . import csv_files
from .csv_files import DataError


class Series:
    """One column of a table, prepared for the filters.

    values   float32, in the file's order (NaN in gaps)
    dates    datetime64 in the file's order, or None without a date column
    prepared the values in time order with the gaps dealt with
    dropped  bool per row (file order): left out of the filtering
    """

    def __init__(self, table, column, date_column, values, dates, prepared):
        self.table, self.column, self.date_column = table, column, date_column
        self.values, self.dates, self.prepared = values, dates, prepared
        dropped = np.zeros(len(values), dtype=bool)
        if prepared.kept is not None:
            where = slice(None) if prepared.permutation is None else prepared.permutation
            dropped[where] = ~prepared.kept
        self.dropped = dropped

    def time_order(self):
        """Row positions, oldest first."""
        if self.prepared.permutation is None:
            return np.arange(len(self.values))
        return self.prepared.permutation


def _pick(table, requested, usual_name, candidates, fits):
    """`requested` if given (it must exist), else the column called
    `usual_name` (in any case), else the first of `candidates` that `fits`;
    None when none does."""
    try:
        return table.column(requested if requested is not None else usual_name)
    except DataError:
        if requested is not None:
            raise
    return next((name for name in candidates if fits(name)), None)


# What pandas raises for a date it reads but cannot hold in nanoseconds
# (pandas 2 and later read it in seconds first and fail on the conversion).
_BEYOND_ERRORS = (pd.errors.OutOfBoundsDatetime, OverflowError)
# The instants datetime64[ns] holds, to the microseconds inside them.
_EARLIEST = datetime.datetime(1677, 9, 21, 0, 12, 43, 145225)
_LATEST = datetime.datetime(2262, 4, 11, 23, 47, 16, 854775)
# A year beyond those is written with three digits or more; the digits of
# a fraction of a second (12:00:00.123) are no year.
_LONG_NUMBER = re.compile(r"(?<!\d)(?<!:\d\d[.,])\d{3,}")


def _python_date(text, date_format, dayfirst):
    """The cell as a datetime, read without pandas and its range, or None."""
    try:
        if date_format is not None:
            return datetime.datetime.strptime(text, date_format)
        return date_parser.parse(text, dayfirst=bool(dayfirst))
    except (ValueError, OverflowError):
        return None


def _beyond_range(cell, date_format=None, dayfirst=None):
    """Whether the cell is a date, but one outside what the series' dates
    can hold (a mistyped 9999-12-31)."""
    text = str(cell).strip()
    if not any(int(n) <= _EARLIEST.year or int(n) >= _LATEST.year
               for n in _LONG_NUMBER.findall(text)):
        return False  # the common case, no date to read
    when = _python_date(text, date_format, dayfirst)
    if when is None:
        return False
    # A stamp with an offset is compared as the UTC instant pandas would read
    # (converting it could overflow datetime's own year 9999).
    utc = datetime.timezone.utc if when.tzinfo is not None else None
    return not _EARLIEST.replace(tzinfo=utc) <= when <= _LATEST.replace(tzinfo=utc)


def _first_beyond(cells, date_format, dayfirst):
    return next((row for row, cell in enumerate(cells)
                 if _beyond_range(cell, date_format, dayfirst)), None)


def _beyond_error(table, name, row):
    what = "a date" if row is None else repr(table.cells(name)[row])
    where = "" if row is None else f":{table.line(row)}"
    return DataError(f"{table.path}{where}: column {name!r}: {what} is outside the dates the "
                     f"tool can hold, {_EARLIEST:%Y-%m-%d} to {_LATEST:%Y-%m-%d}; "
                     "a mistyped year?")


def _reads_as_dates(cells, sample=50):
    """Whether the first `sample` cells read as dates, counting those beyond
    the range as dates (they are reported with their line once read)."""
    cells = cells[:sample]
    beyond = np.fromiter((_beyond_range(cell) for cell in cells), bool, len(cells))
    rest = cells[~beyond]
    try:
        return rest.size > 0 and _dates.looks_like_dates(rest)
    except _BEYOND_ERRORS:
        return True


def _pick_date_column(table, requested):
    return _pick(table, requested, "date", table.header,
                 lambda name: not csv_files.is_number_column(table, name)
                 and _reads_as_dates(table.cells(name)))


# The usual English names of a closing price, as headers write them in any
# case and with spaces, underscores or dashes ("Adj Close", "adj_close").
CLOSE_NAMES = ("close", "adj close", "adjusted close", "price", "last", "settle")


def _folded(name):
    return " ".join(re.split(r"[\s_\-.]+", name.strip().casefold())).strip()


def _pick_value_column(table, requested, date_column):
    """The column to filter: the one asked for; else `close`; else the one
    column with another usual name of a closing price; else the only
    numeric column. More than one that could be meant is an error listing
    them: taking, say, the last one would filter a volume column without a
    word."""
    name = _pick(table, requested, "close", (), None)
    if name is not None:
        return name
    usual = [name for name in table.header if _folded(name) in CLOSE_NAMES and name != date_column]
    if len(usual) == 1:
        return usual[0]
    candidates = usual or [name for name in table.header
                           if name != date_column and csv_files.is_number_column(table, name)]
    if len(candidates) == 1:
        return candidates[0]
    if not candidates:
        raise DataError(f"{table.path}: no column holds only numbers; choose one with --column")
    raise DataError(f"{table.path}: no column is called close, and {len(candidates)} columns "
                    f"could be the prices: {', '.join(candidates)}; choose one with --column")


def _read_dates(table, name, date_format, dayfirst):
    cells = table.cells(name)
    try:
        return _dates.parse(cells, date_format, dayfirst)
    except _BEYOND_ERRORS:
        raise _beyond_error(table, name, _first_beyond(cells, date_format, dayfirst)) from None
    except _dates.AmbiguousDates as exc:
        raise DataError(
            f"{table.path}:{table.line(exc.position)}: column {name!r}: "
            f"{cells[exc.position]!r} reads as day/month and as month/day, and no date in the "
            "file settles which; pass --dayfirst, --monthfirst or --date-format "
            "(e.g. %d/%m/%Y)") from None
    except _dates.DateError as exc:
        # A date beyond the range reads as no date to pandas, and with a
        # format pandas may give up on the whole column, at its first cell.
        beyond = _first_beyond(cells, date_format, dayfirst)
        if beyond is not None and (beyond <= exc.position or _python_date(
                str(cells[exc.position]).strip(), date_format, dayfirst) is not None):
            raise _beyond_error(table, name, beyond) from None
        raise DataError(f"{table.path}:{table.line(exc.position)}: column {name!r}: "
                        f"{cells[exc.position]!r} is not a date") from None


def _plan_order(table, name, dates, sort):
    cells = table.cells(name)
    try:
        permutation, how = _order.plan(dates.view(np.int64), sort)
    except _order.OrderError as exc:
        a, b = exc.first, exc.second
        if exc.repeated:
            raise DataError(f"{table.path}:{table.line(b)}: date {cells[b]!r} repeats line "
                            f"{table.line(a)}; a series needs one row per date") from None
        raise DataError(f"{table.path}:{table.line(b)}: date {cells[b]!r} follows "
                        f"{cells[a]!r} on line {table.line(a)}: the rows are not in time "
                        "order; sort the file or pass --sort") from None
    if how == "falling":
        print(f"tsfilters: note: {table.path} runs newest first; filtered oldest first, "
              "rows kept in the file's order", file=sys.stderr)
    return permutation


def load_series(args):
    table = csv_files.read_table(args.input, args.sep, args.decimal)
    date_column = _pick_date_column(table, args.date_column)
    column = _pick_value_column(table, args.column, date_column)
    with np.errstate(over="ignore"):  # beyond float32's range: inf, a gap named below
        values = csv_files.numbers(table, column).astype(np.float32)
    dates = permutation = None
    if date_column is not None:
        dates = _read_dates(table, date_column, args.date_format, args.dayfirst)
        permutation = _plan_order(table, date_column, dates, args.sort)
    try:
        prepared = _gaps.Prepared(values, permutation, args.missing)
    except _gaps.MissingValueError as exc:
        what = "missing value" if np.isnan(exc.value) else "infinite value"
        raise DataError(f"{table.path}:{table.line(exc.position)}: column {column!r}: {what} "
                        f"{table.cells(column)[exc.position]!r}; pass --missing drop or "
                        "--missing previous") from None
    return Series(table, column, date_column, values, dates, prepared)
