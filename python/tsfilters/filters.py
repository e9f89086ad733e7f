"""The seven filters, one Python function per exported C function, made
from the rows of the library's filter table and documented from the
comments of its public header (tsfilters.h).

Each takes `x` (a 1-D array-like or pandas Series, or a 2-D array or
DataFrame filtered column by column) and keyword-friendly parameters, checks
only what C itself could not represent (non-integer periods, values outside
int32, series longer than int32), and passes everything else to the library
unchanged: a period of 0 or a negative period, or a gamma outside 0..1, give
whatever the library computes for them.

A 2-D array or DataFrame (rows are time, one series per column) runs
through the stream library's lanes: all columns in one call per thread, with
the bits of the column-by-column calls.

Every function also takes, by keyword only:

  missing  what a NaN sample does, or an infinite one (also a float64
           beyond float32's range): "error" (the default) raises ValueError
           naming it; "drop" filters the series without it and leaves NaN in
           its slot; "previous" carries the last value forward; "keep" passes
           it to the library, which makes its slot and every later one NaN.
  sort     for a pandas object whose index is in no order: sort by it
           before filtering (the result keeps the caller's order). Any
           ordered index sorts; an index of date texts is refused, since it
           would sort by characters: parse it first. A strictly
           newest-first datetime index is always filtered oldest first.
  threads  for 2-D input: how many threads share the columns; None (the
           default) means every core, 1 means the calling thread alone.
           The result does not depend on it.
"""

import ctypes
import inspect

from . import _lanes, _library
from ._arrays import apply
from ._descriptions import describe
from ._filter_table import FILTER_TABLE, SHAPE_PARAMETERS
from ._parameters import CHECKS

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


def _call(name, x, parameters, missing, sort, threads):
    """Checks the parameters of filter `name` and runs it over `x`."""
    row = FILTER_TABLE[name]
    checked = {key: CHECKS[key](key, parameters[key]) for key in SHAPE_PARAMETERS[row.shape]}
    arguments = list(checked.values())
    fn = _library.functions()[row.c_name]
    _lanes.check_threads(threads)
    return apply(x, lambda src, n, dst: fn(_ptr(src), *arguments, n, _ptr(dst)),
                 missing=missing, sort=sort, wide=lambda: _wide(name, checked, threads))


# The keyword-only arguments every filter function takes, with their defaults.
_OPTIONS = {"missing": "error", "sort": False, "threads": None}


def _signature(row):
    """x, the shape's parameters in the C order, then the options."""
    P = inspect.Parameter
    return inspect.Signature(
        [P("x", P.POSITIONAL_OR_KEYWORD)]
        + [P(key, P.POSITIONAL_OR_KEYWORD) for key in SHAPE_PARAMETERS[row.shape]]
        + [P(key, P.KEYWORD_ONLY, default=value) for key, value in _OPTIONS.items()])


def _function(name):
    """The public function of filter `name`: its row's parameters, bound and
    checked as a function written out by hand would take them."""
    row = FILTER_TABLE[name]
    signature = _signature(row)

    def function(*args, **kwargs):
        try:
            bound = signature.bind(*args, **kwargs)
        except TypeError as e:
            raise TypeError(f"{name}() {e}") from None
        bound.apply_defaults()
        given = bound.arguments
        return _call(name, given["x"], given, given["missing"], given["sort"], given["threads"])

    function.__name__ = function.__qualname__ = name
    function.__module__ = __name__
    function.__signature__ = signature
    function.__doc__ = describe(name, row)
    return function


# One function per row of the table, under its Python name.
globals().update({name: _function(name) for name in FILTER_TABLE})

# Python name -> (function, parameter names in order). The CLI is built on it.
FILTERS = {name: (globals()[name], SHAPE_PARAMETERS[row.shape])
           for name, row in FILTER_TABLE.items()}
