"""Reading price tables from CSV with pandas and writing results without
half-written files.

Every cell is read as the text it holds, so `apply` writes the input
columns back as they came; only the columns that are filtered or dated are
converted. Anything wrong is reported with the file and the line: pandas
does not say which line a row came from, so the lines are counted only when
an error needs one.
"""

import csv
import os
import re
import warnings

import numpy as np
import pandas as pd

from .._frames.gaps import MARKERS, is_marker
from . import output_file


class DataError(Exception):
    """A problem with an input or output file, reported without a traceback."""


# Rows written per batch: formatting a whole column of a long file at once
# would hold every cell's text in memory together.
_BATCH = 65536


class Table:
    """A CSV file as text cells: `frame` holds one str column per header
    name (names as written in the file, surrounding spaces removed)."""

    def __init__(self, path, frame, sep, decimal, quoted=True):
        self.path, self.frame, self.sep, self.decimal = str(path), frame, sep, decimal
        self.header = list(frame.columns)
        # Without a quote character anywhere in the file no cell can hold a
        # separator, a quote or a line break, so none needs quoting on output.
        self.quoted = quoted
        self._lines = None

    def line(self, row):
        """The file line that data row `row` (0 = first below the header) is on."""
        if self._lines is None:
            self._lines = [line for line, _ in _records(self.path, self.sep)][1:]
        return self._lines[row]

    def column(self, requested):
        """The header name `requested` means: the exact name, else the one
        name that matches it ignoring case."""
        if requested in self.header:
            return requested
        folded = [name for name in self.header if name.casefold() == requested.casefold()]
        if len(folded) == 1:
            return folded[0]
        raise DataError(f"{self.path}: no column {requested!r}; the columns are "
                        f"{', '.join(self.header)}")

    def cells(self, name):
        return self.frame[name].to_numpy()


def _records(path, sep):
    """(line, record) for each record of the file, skipping the blank lines
    pandas skips. Slow; only for finding the line of a problem."""
    with open(path, newline="", encoding="utf-8-sig") as f:
        # The csv module refuses a cell over 131,072 characters, which
        # pandas reads: no cell can be longer than the file itself. The
        # limit is the module's global, so it is put back afterwards.
        longest = min(os.fstat(f.fileno()).st_size + 1, 2**31 - 1)
        limit = csv.field_size_limit(max(csv.field_size_limit(), longest))
        try:
            reader = csv.reader(f, delimiter=sep)
            for record in reader:
                if record and not (len(record) == 1 and not record[0].strip()):
                    yield reader.line_num, record
        finally:
            csv.field_size_limit(limit)


def _header(path, sep):
    for _, record in _records(path, sep):
        return [cell.strip() for cell in record]
    raise DataError(f"{path}: the file is empty")


def _check_header(path, header, sep, sep_given):
    if len(header) == 1 and not sep_given:
        for other, name in ((";", "semicolons"), ("\t", "tabs")):
            if other in header[0]:
                raise DataError(
                    f"{path}:1: the header has one field, {header[0]!r}; the file looks "
                    f"separated by {name}: pass --sep {other!r}"
                    + (" (and --decimal ',' if numbers have decimal commas)" if other == ";" else ""))
    if len(set(header)) != len(header):
        raise DataError(f"{path}: repeated column names in the header: {', '.join(header)}")


def _check_widths(path, sep, width, rows):
    """pandas pads a row with too few fields with empty cells, and drops the
    extra fields when every row has too many; count the separators to find
    such a row (and, in a file with quotes, read it the slow way, since a
    quoted cell may hold separators). Returns whether the file holds a quote
    character."""
    with open(path, "rb") as f:
        data = f.read()
    quoted = b'"' in data
    if not quoted and data.count(sep.encode()) == (width - 1) * (rows + 1):
        return quoted
    del data
    for line, record in _records(path, sep):
        if len(record) != width:
            raise DataError(f"{path}:{line}: {len(record)} fields, the header has {width}")
    return quoted


def check_marks(sep, decimal):
    """The reason `sep` and `decimal` cannot be read with, or None.

    One character may be both the separator and the decimal mark: a cell
    that holds the separator is quoted ("86,48" in a comma-separated file),
    so the quotes say which comma is which."""
    if sep is not None and (len(sep) != 1 or sep in "\r\n\""):
        return (f"the separator must be one character other than a quote or a line "
                f"break, not {sep!r}")
    if decimal not in (".", ","):
        return f"the decimal mark must be '.' or ',', not {decimal!r}"
    return None


def read_table(path, sep=None, decimal="."):
    """Reads `path`; `sep` None means a comma (with a hint when the header
    looks separated by something else)."""
    sep_given = sep is not None
    sep = sep if sep_given else ","
    problem = check_marks(sep, decimal)
    if problem:
        raise DataError(problem)
    try:
        header = _header(path, sep)
        _check_header(path, header, sep, sep_given)
        with warnings.catch_warnings():
            # index_col=False: a row with more fields than the header must not
            # turn the first column into an index; _check_widths reports it.
            warnings.simplefilter("ignore", pd.errors.ParserWarning)
            frame = pd.read_csv(path, sep=sep, dtype=str, keep_default_na=False,
                                na_filter=False, encoding="utf-8-sig", skip_blank_lines=True,
                                header=0, names=header, index_col=False, engine="c",
                                quotechar='"')
        # A separator that is also the decimal mark must be quoted in the
        # filter columns written back, which only the csv writer does.
        quoted = _check_widths(path, sep, len(header), len(frame)) or sep == decimal
    except OSError as exc:
        raise DataError(f"cannot read {path}: {exc.strerror or exc}") from None
    except (UnicodeDecodeError, csv.Error) as exc:
        raise DataError(f"{path}: not a readable CSV file: {exc}") from None
    except pd.errors.ParserError as exc:
        found = re.search(r"Expected (\d+) fields in line (\d+), saw (\d+)", str(exc))
        if found:
            raise DataError(f"{path}:{found[2]}: {found[3]} fields, the header has {found[1]}") from None
        raise DataError(f"{path}: not a readable CSV file: {exc}") from None
    if frame.empty:
        raise DataError(f"{path}: the header has no rows of data below it")
    return Table(path, frame, sep, decimal, quoted)


def _number(text, decimal):
    text = text.strip()
    if is_marker(text):
        return np.nan
    if decimal != ".":
        if "." in text:
            raise ValueError(text)
        text = text.replace(decimal, ".")
    # float() also takes "1_000" and "nan"; a CSV cell like that is not a number.
    if "_" in text or text.lower().lstrip("+-") in ("nan", "snan"):
        raise ValueError(text)
    return float(text)


def _not_a_number(table, name, row, text):
    if table.decimal == "." and re.fullmatch(r"\s*[-+]?\d+,\d+\s*", text):
        hint = "; for decimal commas pass --decimal ','"
    else:
        markers = ", ".join(repr(m) for m in MARKERS)
        hint = (f" nor a missing-value marker ({markers}, in any case); if it marks a gap, "
                "write it as one and choose what --missing does with it")
    return DataError(f"{table.path}:{table.line(row)}: column {name!r}: {text!r} is not a number{hint}")


def numbers(table, name):
    """The column's values as float64, NaN where a cell is a missing-value
    marker; the first cell that is neither is an error naming its line."""
    text = table.frame[name].to_numpy()
    # Markers other than "nan" fail the conversion, and a NaN from "nan"
    # sends the column down the careful path too.
    if table.decimal == "." and "_" not in "".join(text):
        try:  # the common case, one conversion in C (float() is correctly rounded)
            values = text.astype(np.float64)
            if not np.isnan(values).any():
                return values
        except ValueError:
            pass
    values = np.empty(len(text), dtype=np.float64)
    for row, cell in enumerate(text):
        try:
            values[row] = _number(cell, table.decimal)
        except ValueError:
            raise _not_a_number(table, name, row, cell) from None
    return values


def is_number_column(table, name, sample=50):
    """Whether the column's first `sample` cells are numbers or gaps, with at
    least one number."""
    values = []
    for cell in table.cells(name)[:sample]:
        try:
            values.append(_number(cell, table.decimal))
        except ValueError:
            return False
    return not np.isnan(values).all()


def format_float32(values, decimal="."):
    """Shortest text that reads back as the same float32 for each value; NaN
    is an empty cell."""
    # str() of a NumPy float32 is its shortest round-trip text; mapping it
    # over the array beats building a NumPy string array and converting that.
    text = list(map(str, values))
    for i in np.flatnonzero(np.isnan(values)):
        text[i] = ""
    if decimal != ".":
        text = [cell.replace(".", decimal) for cell in text]
    return text


def write_csv(file, table, columns):
    """Writes the table's cells and `columns`, [(name, float32 values)],
    one batch of rows at a time."""
    writer = csv.writer(file, delimiter=table.sep, lineterminator="\n")
    writer.writerow(table.header + [name for name, _ in columns])
    inputs = [table.cells(name) for name in table.header]
    for start in range(0, len(table.frame), _BATCH):
        batch = slice(start, start + _BATCH)
        added = [format_float32(values[batch], table.decimal) for _, values in columns]
        rows = zip(*(cells[batch] for cells in inputs), *added)
        if table.quoted:
            writer.writerows(rows)
        else:  # nothing to quote: joining is several times faster than the writer
            file.write("\n".join(map(table.sep.join, rows)))
            file.write("\n")


def write_atomically(path, write):
    """Calls `write(file_path)` to write `path`: a regular file through a
    temporary file renamed over it only when complete, so readers never see
    a half-written file and a failure leaves the old one alone; a FIFO or a
    device directly (see output_file). Failures are a DataError naming
    `path`."""
    try:
        output_file.write_output(path, write)
    except output_file.OutputError as exc:
        raise DataError(str(exc)) from None
