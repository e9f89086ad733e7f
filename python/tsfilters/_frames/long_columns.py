"""The columns of a long table, whichever library holds it: the symbol
columns `by` names checked once for every front, and a row's symbol shown
in a message. The readers (pandas.py, polars.py and arrow.py, each with
its own library) turn their tables into a `long_table.Long` with these.
"""

from typing import Any, List

import numpy as np

from .label_text import shown


def key_names(by: Any) -> List[Any]:
    """`by` as a list of column names: one name, or several."""
    if isinstance(by, (list, tuple)):
        if not by:
            raise ValueError("by= names no column; give the symbol column, or several")
        return list(by)
    return [by]


def symbol_of(columns, row, get):
    """How a message shows the symbol of `row`: one value, or a tuple."""
    values = [get(column, row) for column in columns]
    return shown(values[0]) if len(values) == 1 else repr(tuple(
        v.item() if isinstance(v, np.generic) else v for v in values))


def first_missing(nulls):
    """For several key columns' null masks: which one `row` lacks."""
    return lambda row: next(j for j, mask in enumerate(nulls) if mask[row])


def check_columns(columns, value, by, time):
    """KeyError for a named column the table lacks, and what `check_keys`
    refuses."""
    keys = check_keys(by, time)
    columns = list(columns)
    absent = [c for c in (value, *keys, time) if c not in columns]
    if absent:
        raise KeyError(f"the frame has no column {', '.join(map(repr, absent))}; "
                       f"it has {', '.join(map(repr, columns))}")


def check_keys(by: Any, time: Any) -> List[Any]:
    """The symbol columns `by` names, as a list; TypeError for a `by` that is
    neither a column name nor a list of them, ValueError for a column named
    twice among them and `time`. Every long-table front asks this, the
    Polars expression (whose columns Polars itself looks up) included."""
    if not isinstance(by, (str, list, tuple)):
        raise TypeError(f"by must be a column name or a list of them, not "
                        f"{type(by).__name__} {by!r}")
    keys = key_names(by)
    if len(set(map(str, keys))) != len(keys) or time in keys:
        raise ValueError(f"by={by!r} and time={time!r} must name different columns")
    return keys
