"""Which axis of a NumPy array is time.

The functions filter down the columns of a 2-D array (axis=0, a table of
dates x symbols). NumPy and SciPy code keeps one series per row instead
(axis=-1): filtered down its columns, each "series" would be as long as the
number of symbols. `axis` says which. (An xarray DataArray names its time
dimension instead: see `_frames.xarray`.)
"""


import numpy as np

from . import kinds
from . import not_prices as _not_prices


def _along_axis(x, axis):
    array = _not_prices.check_values(x, "x")
    if array.ndim != 2:
        raise ValueError(f"axis={axis} is for a 2-D array; this one is {array.ndim}-D")

    def run(filter_time_major):
        return np.ascontiguousarray(filter_time_major(array.T).T)
    return run


def along(x, axis, dim):
    """None when `x` (anything but a DataArray) is filtered as given (time
    down axis 0), else a function that takes a runner of time-major input
    and returns the result in the shape of `x`; `dim` is refused, as only a
    DataArray has named dimensions."""
    if isinstance(axis, bool) or not isinstance(axis, (int, np.integer)):
        raise TypeError(f"axis must be an integer, not {type(axis).__name__} {axis!r}")
    if dim is not None:
        raise ValueError("dim= names a dimension of an xarray DataArray; use axis= for a "
                         "NumPy array")
    if axis == 0:
        return None
    if not (kinds.is_array(x) or isinstance(x, (list, tuple))):
        raise ValueError(f"axis={axis} is for NumPy arrays and nested lists; the series of a "
                         f"{type(x).__name__} are its columns")
    ndim = np.ndim(x)
    if axis == -ndim or (axis == -1 and ndim == 1):
        return None  # axis 0 by another name
    if ndim != 2 or axis not in (1, -1):
        raise ValueError(f"axis={axis} is out of range for a {ndim}-D array")
    return _along_axis(x, axis)
