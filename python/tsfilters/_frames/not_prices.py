"""Values that NumPy and pandas would turn into numbers but are not prices.

`np.asarray(["71.4"], dtype=object).astype(float)` parses the text, and
`True` converts to 1.0, so a column of text read without a converter, or a
column of signals, would be filtered as if it held prices, with no error.
Both are refused here, by dtype where the dtype says it and by looking at
the values of an object array, where only the values can say it. (The
same check of a pandas object's columns is `_frames.pandas.check_columns`.)
"""

import numpy as np

_TEXT = (str, bytes)
_TRUTH = (bool, np.bool_)


def _what(value):
    return "text" if isinstance(value, _TEXT) else "truth values"


def check_values(values, what):
    """`values` as a NumPy array; TypeError if it holds text or truth
    values. A list is looked at before NumPy converts it: [71.4, True]
    becomes a float64 array in which the True can no longer be seen."""
    if isinstance(values, (list, tuple)):
        for item in values:
            rows = item if isinstance(item, (list, tuple)) else (item,)
            for value in rows:
                if isinstance(value, _TEXT + _TRUTH):
                    raise TypeError(f"{what} must hold real numbers, not {_what(value)} "
                                    f"such as {value!r}")
    array = np.asarray(values)
    check_array(array, what)
    return array


def check_array(array, what):
    """TypeError if the NumPy `array` holds text or truth values."""
    kind = array.dtype.kind
    if kind == "b":
        raise TypeError(f"{what} must hold real numbers, not truth values (bool); "
                        "a truth value is not a price")
    if kind in "SU":
        raise TypeError(f"{what} must hold real numbers, not text ({array.dtype})")
    if kind == "O":
        for value in array.ravel():
            if isinstance(value, _TEXT + _TRUTH):
                raise TypeError(f"{what} must hold real numbers, not {_what(value)} "
                                f"such as {value!r}")
