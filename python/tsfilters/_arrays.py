"""Turning what callers pass into what the library takes, and back.

The library reads and writes single-precision floats, so every input is
converted to a contiguous float32 array first (float64 values are rounded to
the nearest float32, as a C host casting double to float would). Outputs are
new float32 arrays prefilled with NaN: the slots the library leaves unwritten
(slot 0 of LaguerreFilter, the whole output of an oscillator that has fewer
than 100 samples or a zero RMS) therefore read NaN rather than garbage.
"""

import numbers

import numpy as np

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1

try:  # pandas is optional: without it Series and DataFrames cannot occur.
    import pandas as _pd
except ImportError:  # pragma: no cover - Debian's python3-pandas is present in tests
    _pd = None


def check_int32(name, value):
    """Periods are C int32_t: integers only, and inside that type's range."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__} {value!r}")
    value = int(value)
    if not INT32_MIN <= value <= INT32_MAX:
        raise ValueError(f"{name} = {value} is outside the int32 range [{INT32_MIN}, {INT32_MAX}]")
    return value


def check_real(name, value):
    """gamma is a C float: any real number; ctypes rounds it to float32."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a real number, not {type(value).__name__} {value!r}")
    return float(value)


def check_length(count):
    """The sample count travels as int32_t: longer series cannot be passed."""
    if count > INT32_MAX:
        raise ValueError(f"the series has {count} samples; the library takes at most {INT32_MAX}")


def _as_float32(values, order):
    array = np.asarray(values)
    if array.dtype.kind not in "biuf":
        if array.dtype.kind != "O":
            raise TypeError(f"x must hold real numbers, not {array.dtype} values")
        try:  # e.g. a list mixing ints, floats and None
            array = array.astype(np.float64)
        except (TypeError, ValueError) as exc:
            raise TypeError(f"x must hold real numbers: {exc}") from None
    if array.ndim not in (1, 2):
        raise ValueError(f"x must be 1-D (one series) or 2-D (one series per column), not {array.ndim}-D")
    return np.require(array.astype(np.float32, copy=False), np.float32, [order])


def _pandas_values(obj):
    try:
        # na_value turns pandas' missing markers (pd.NA, None) into NaN.
        return obj.to_numpy(dtype=np.float64, na_value=np.nan)
    except (TypeError, ValueError) as exc:
        raise TypeError(f"x must hold real numbers: {exc}") from None


def apply(x, call):
    """Runs `call(input, count, output)` on each series of `x` and returns
    the result in the shape and type of `x`.

    1-D input (array-like or Series) is one series; 2-D input (array or
    DataFrame) is one series per column, each filtered on its own.
    """
    is_series = _pd is not None and isinstance(x, _pd.Series)
    is_frame = _pd is not None and isinstance(x, _pd.DataFrame)
    raw = _pandas_values(x) if (is_series or is_frame) else x
    # Column-major for 2-D input so that each column is one contiguous run.
    values = _as_float32(raw, "F")
    count = values.shape[0]
    check_length(count)
    result = np.full(values.shape, np.nan, dtype=np.float32, order="F")
    if values.ndim == 1:
        call(values, count, result)
    else:
        for column in range(values.shape[1]):
            call(values[:, column], count, result[:, column])
    if is_series:
        return _pd.Series(result, index=x.index, name=x.name)
    if is_frame:
        return _pd.DataFrame(result, index=x.index, columns=x.columns)
    return result
