"""xarray DataArrays in and out of the functions.

A DataArray names its time dimension (`dim`, by default its one datetime
dimension) and comes back as a DataArray with its own coordinates and
dimension order. Along `dim` it keeps the rules of a pandas series with a
datetime index: a rising time coordinate runs as it is, a strictly falling
one runs oldest first and comes back in its own order, any other order is
refused unless sort=True asks for sorting, and a repeated or missing time
stamp is always refused, named by the coordinate and the date.
"""

import numpy as np

from . import kinds
from . import labels as _labels


def is_data_array(x):
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


def along(x, axis, dim, sort=False):
    """A function that takes a runner of time-major input and returns the
    result as a DataArray shaped like `x`, in its own order along `dim`."""
    if isinstance(axis, bool) or not isinstance(axis, (int, np.integer)):
        raise TypeError(f"axis must be an integer, not {type(axis).__name__} {axis!r}")
    if axis != 0:
        raise ValueError("a DataArray names its time dimension: pass dim=, not axis=")
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
