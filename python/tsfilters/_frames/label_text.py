"""Labels as text: quoted in messages, or dates written as text.

Kept apart from the index checks (`labels`) so that the modules that only
quote a label or spot a date text import nothing else with them.
"""

import re

import numpy as np

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


def are_date_texts(values):
    """Whether `values` (a few, None for missing) are all texts that read as
    dates, and there is at least one."""
    head = [value for value in values if value is not None]
    return bool(head) and all(isinstance(v, str) and _DATE_TEXT.match(v) for v in head)
