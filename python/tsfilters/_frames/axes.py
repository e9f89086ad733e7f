"""Which axis of the input is time.

The functions filter down the columns of a 2-D array (axis=0, a table of
dates x symbols). NumPy and SciPy code keeps one series per row instead
(axis=-1): filtered down its columns, each "series" would be as long as the
number of symbols. `axis` says which, and an xarray DataArray names its
time dimension (`dim`, by default its one datetime dimension) and comes
back as a DataArray with its own coordinates.

Along `dim`, a DataArray keeps the rules of a pandas series with a datetime
index: a rising time coordinate runs as it is, a strictly falling one runs
oldest first and comes back in its own order, any other order is refused
unless sort=True asks for sorting, and a repeated or missing time stamp is
always refused, named by the coordinate and the date.
"""


import numpy as np

from . import kinds
from . import labels as _labels
from . import not_prices as _not_prices


def _data_array(x):
    return kinds.is_a(x, "xarray", "DataArray")


def _time_dim(x, dim):
    if dim is not None:
        if dim not in x.dims:
            raise ValueError(f"dim={dim!r} is not a dimension of the DataArray {x.dims}")
        return dim
    dates = [d for d in x.dims if d in x.coords and x.coords[d].dtype.kind == "M"]
    if len(dates) != 1:
        found = "no datetime dimension" if not dates else f"datetime dimensions {dates}"
        raise ValueError(f"the DataArray has {found} among {x.dims}; pass dim= to name "
                         "the time dimension")
    return dates[0]


def _dim_order(x, time, sort):
    """The permutation that puts `x` in time order along `time`, or None:
    the same check as a pandas index gets, on the coordinate's own index."""
    index = x.indexes.get(time)
    if index is None:
        return None  # no coordinate: the order given is the order meant
    return _labels.time_order(index, sort, f"coordinate {time!r}")


def _along_dim(x, dim, sort=False):
    time = _time_dim(x, dim)
    permutation = _dim_order(x, time, sort)

    def run(filter_time_major):
        ordered = x.transpose(time, ...)
        values = np.asarray(ordered.values)
        if permutation is not None:
            values = values[permutation]
        flat = values.reshape(values.shape[0], -1) if values.ndim > 1 else values
        out = np.asarray(filter_time_major(flat)).reshape(values.shape)
        if permutation is not None:
            back = np.empty_like(out)
            back[permutation] = out
            out = back
        return ordered.copy(data=out).transpose(*x.dims)
    return run


def _along_axis(x, axis):
    array = _not_prices.check_values(x, "x")
    if array.ndim != 2:
        raise ValueError(f"axis={axis} is for a 2-D array; this one is {array.ndim}-D")

    def run(filter_time_major):
        return np.ascontiguousarray(filter_time_major(array.T).T)
    return run


def along(x, axis, dim, sort=False):
    """None when `x` is filtered as given (time down axis 0), else a
    function that takes a runner of time-major input and returns the result
    in the shape and type of `x` (a DataArray in its own order along `dim`;
    `sort` as for a pandas series)."""
    if isinstance(axis, bool) or not isinstance(axis, (int, np.integer)):
        raise TypeError(f"axis must be an integer, not {type(axis).__name__} {axis!r}")
    if _data_array(x):
        if axis != 0:
            raise ValueError("a DataArray names its time dimension: pass dim=, not axis=")
        return _along_dim(x, dim, sort)
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
