"""Reading price tables from CSV and writing results without half-written files.

Cells are kept as the text they were read as, so `apply` writes the input
columns back exactly as they came; only the columns that are filtered or
plotted are parsed, and a cell that is not a number or a date is reported
with its line number.
"""

import csv
import os
import tempfile
from dataclasses import dataclass

import numpy as np


class DataError(Exception):
    """A problem with an input or output file, reported without a traceback."""


@dataclass
class Table:
    path: str
    header: list
    rows: list  # lists of cell text, all as long as the header
    line_numbers: list  # the file line each row starts on

    def column_index(self, name):
        try:
            return self.header.index(name)
        except ValueError:
            raise DataError(
                f"{self.path}: no column {name!r}; the columns are {', '.join(self.header)}"
            ) from None

    def cells(self, name):
        index = self.column_index(name)
        return [row[index] for row in self.rows]


def read_table(path):
    try:
        # utf-8-sig: spreadsheet exports often start with a byte-order mark.
        with open(path, newline="", encoding="utf-8-sig") as f:
            reader = csv.reader(f)
            header, rows, lines = None, [], []
            for record in reader:
                if not record or all(not cell.strip() for cell in record):
                    continue  # blank lines, typically at the end
                if header is None:
                    header = [cell.strip() for cell in record]
                    width = len(header)
                    continue
                if len(record) != width:
                    raise DataError(
                        f"{path}:{reader.line_num}: {len(record)} fields, "
                        f"the header has {width}"
                    )
                rows.append(record)
                lines.append(reader.line_num)
    except OSError as exc:
        raise DataError(f"cannot read {path}: {exc.strerror or exc}") from None
    except (UnicodeDecodeError, csv.Error) as exc:
        raise DataError(f"{path}: not a readable CSV file: {exc}") from None
    if header is None:
        raise DataError(f"{path}: the file is empty")
    if len(set(header)) != len(header):
        raise DataError(f"{path}: repeated column names in the header: {', '.join(header)}")
    return Table(path, header, rows, lines)


def _number(text):
    text = text.strip()
    # float() also takes "1_000"; a CSV cell like that is not a number.
    if not text or "_" in text:
        raise ValueError(text)
    return float(text)


def _is_number(text):
    try:
        _number(text)
        return True
    except ValueError:
        return False


def numbers(table, name):
    """The column's values as float64; the first cell that is not a number is
    an error naming its line."""
    values = np.empty(len(table.rows), dtype=np.float64)
    for i, text in enumerate(table.cells(name)):
        try:
            values[i] = _number(text)
        except ValueError:
            raise DataError(
                f"{table.path}:{table.line_numbers[i]}: column {name!r}: "
                f"{text!r} is not a number"
            ) from None
    return values


def _is_numeric_column(table, name):
    cells = table.cells(name)
    return bool(cells) and all(_is_number(text) for text in cells)


def _pick_column(table, requested, usual_name, candidates, fits):
    """`requested` if given (it must exist), else the column called
    `usual_name` in any case, else the first of `candidates` for which
    `fits` holds; None when none does."""
    if requested is not None:
        table.column_index(requested)
        return requested
    for name in table.header:
        if name.lower() == usual_name:
            return name
    return next((name for name in candidates if fits(name)), None)


def value_column(table, requested=None, exclude=()):
    """The column to filter: `requested`, else `close`, else the last
    column whose cells are all numbers."""
    candidates = [n for n in reversed(table.header) if n not in exclude]
    name = _pick_column(table, requested, "close", candidates,
                        lambda n: _is_numeric_column(table, n))
    if name is None:
        raise DataError(f"{table.path}: no column holds only numbers; choose one with --column")
    return name


def _parse_dates(cells):
    import warnings

    import pandas as pd

    with warnings.catch_warnings():
        # Guessing the format of a column that is not dates may warn; a
        # column is taken as dates only if every cell parses anyway.
        warnings.simplefilter("ignore")
        return pd.to_datetime(pd.Series(cells, dtype=object).str.strip(), errors="coerce")


def date_column(table, requested=None):
    """The column of dates: `requested`, else `date`, else the first
    non-numeric column whose cells all read as dates; None when there is none."""
    def all_dates(name):
        return bool(table.rows) and not _is_numeric_column(table, name) and \
            not _parse_dates(table.cells(name)).isna().any()

    return _pick_column(table, requested, "date", table.header, all_dates)


def dates(table, name):
    parsed = _parse_dates(table.cells(name))
    bad = np.flatnonzero(parsed.isna().to_numpy())
    if bad.size:
        i = int(bad[0])
        raise DataError(
            f"{table.path}:{table.line_numbers[i]}: column {name!r}: "
            f"{table.rows[i][table.column_index(name)]!r} is not a date"
        )
    return parsed.to_numpy()


def write_atomically(path, write):
    """Calls `write(file_path)` on a temporary file in the target's own
    directory and renames it over `path` only when it succeeded, so readers
    never see a half-written file and a failure leaves the old one alone."""
    target = os.path.abspath(path)
    directory, name = os.path.split(target)
    suffix = os.path.splitext(name)[1]
    try:
        fd, temp = tempfile.mkstemp(prefix=f".{name}.", suffix=suffix, dir=directory)
    except OSError as exc:
        raise DataError(f"cannot write {path}: {exc.strerror or exc}") from None
    os.close(fd)
    try:
        write(temp)
        os.chmod(temp, 0o666 & ~_umask())
        os.replace(temp, target)
    except BaseException:
        try:
            os.unlink(temp)
        except OSError:
            pass
        raise


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def format_float32(value):
    """Shortest text that reads back as the same float32; NaN is an empty cell."""
    return "" if np.isnan(value) else str(value)


def write_csv(file, header, rows):
    writer = csv.writer(file, lineterminator="\n")
    writer.writerow(header)
    writer.writerows(rows)
