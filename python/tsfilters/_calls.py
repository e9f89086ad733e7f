"""Running one filter of the table over what a caller passes: the
parameters checked, the series converted, one batch call per series or the
lanes for a table. The public functions (`_functions`) are thin typed
wrappers over `call`."""

import ctypes
from typing import Any, Dict, Optional, Tuple

from ._frames import axes as _axes
from ._frames import arrow as _arrow
from ._frames import columns as _columns
from ._frames import polars as _polars
from ._frames import xarray as _xarray
from ._engine import lanes as _lanes
from ._engine import library as _library
from ._frames import arrays as _arrays
from ._frames import pandas as _pandas
from ._engine.filter_table import FILTER_TABLE, RMS_WINDOW, SHAPE_PARAMETERS
from ._engine.parameters import CHECKS, given
from ._engine.precision_limits import warn as warn_precision
from ._engine.warmup import blanked

_FLOAT_P = ctypes.POINTER(ctypes.c_float)


def _ptr(array):
    return array.ctypes.data_as(_FLOAT_P)


def _wide(name, parameters, threads):
    """Runs every column of a 2-D float32 array (rows are time) on the lanes,
    or None when the stream library is not there: then each column runs on
    its own through the batch call, with the same bits, only slower."""
    try:
        _lanes.functions()
    except _library.LibraryNotFoundError:
        return None

    def run(src, dst):
        streams = _lanes.new_streams(name, [parameters] * src.shape[1])
        _lanes.run(streams, src, dst, threads)
        if FILTER_TABLE[name].rms_scaled:
            _lanes.patch_windows(streams, dst)

    return run


def apply(x: Any, call: Any, **options: Any) -> Any:
    """`call` over each series of `x` by the module of its frame library: a
    Series or DataFrame comes back as one, anything else as a NumPy array.
    The one place the functions choose, so that the data goes down once and
    comes back up once."""
    frames = _pandas if _pandas.is_pandas(x) else _arrays
    return frames.apply(x, call, **options)


def checked_call(name: str, parameters: Dict[str, Any], warmup: str,
                 stacklevel: int) -> Tuple[Dict[str, Any], int]:
    """(checked parameters, slots to blank) of one call of filter `name`;
    TypeError/ValueError for a parameter C cannot take, and a
    PrecisionWarning `stacklevel` frames above this one for a period beyond
    the filter's limit. Done once per call, however many series it runs."""
    row = FILTER_TABLE[name]
    checked = {key: CHECKS[key](key, parameters[key]) for key in SHAPE_PARAMETERS[row.shape]}
    warn_precision(name, [checked], stacklevel=stacklevel)
    return checked, blanked(name, warmup, **checked)


def call(name: str, x: Any, parameters: Dict[str, Any], missing: str, sort: bool,
         threads: Optional[int], warmup: str = "keep", axis: int = 0,
         dim: Optional[str] = None) -> Any:
    """Checks the parameters of filter `name` and runs it over `x`; Arrow
    and Polars input comes back as its own type (`_arrow`, `_polars`), an xarray
    DataArray as a DataArray along its time dimension `dim` (`_xarray`),
    and `axis` says which axis of a NumPy array is time (`_axes`)."""
    # checked_call, this frame, the public function, its caller
    checked, blank = checked_call(name, parameters, warmup, stacklevel=4)
    if _xarray.is_data_array(x):
        along = _xarray.along(x, axis, dim, sort)
    else:
        along = _axes.along(x, axis, dim)
    if along is not None:
        return along(lambda series: run(name, series, checked, missing, sort, threads, blank))
    return run(name, x, checked, missing, sort, threads, blank)


def run(name: str, x: Any, checked: Dict[str, Any], missing: str, sort: bool,
        threads: Optional[int], blank: int) -> Any:
    """Filter `name` over `x` with parameters already through `checked_call`."""
    row = FILTER_TABLE[name]
    arguments = list(checked.values())
    fn = _library.functions()[row.c_name]
    _lanes.check_threads(threads)
    # Arrow and Polars: read by their own modules (as `_frames.columnar` does
    # for the other fronts) so that the long-table readers can sit with them.
    columnar = _arrow.read(x) or _polars.read(x)
    if columnar is not None:
        _columns.check_window(columnar, missing, RMS_WINDOW if row.rms_scaled else 0)
    result = apply(x if columnar is None else columnar.values,
                   lambda src, n, dst: fn(_ptr(src), *arguments, n, _ptr(dst)),
                   missing=missing, sort=sort, wide=lambda: _wide(name, checked, threads),
                   warmup=blank)
    return result if columnar is None else columnar.back(result)


def checked_with_defaults(name: str, parameters: Dict[str, Any], warmup: str,
                          stacklevel: int) -> Tuple[Dict[str, Any], int]:
    """`checked_call` with the filter's defaults for what is left out, as
    the long-table fronts take their parameters."""
    return checked_call(name, given(name, parameters), warmup, stacklevel + 1)
