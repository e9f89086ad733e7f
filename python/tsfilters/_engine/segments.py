"""Many series stored back to back, each filtered as its own series.

A long table sorted by symbol and time is one float32 array in which each
symbol's values form a segment; `run` filters every segment in one call of
the stream library's tsf_segments_run, which gives each segment the bits of
the batch call on that segment alone. A stream library too old to have it
(or none at all) leaves the batch call once per segment: the same bits,
only slower.

The call releases the GIL (ctypes does, around every call), so a large
table is cut into ranges of whole segments, one per core, each a call over
the same arrays.
"""

import ctypes
import os
from concurrent.futures import ThreadPoolExecutor

import numpy as np

from . import library as _library
from . import parameters as _parameters
from . import stream_library as _stream_library
from .filter_table import FILTER_TABLE
from .values import check_length

_FLOAT_P = ctypes.POINTER(ctypes.c_float)
# Below this many samples a second thread costs more than it saves.
_SAMPLES_PER_THREAD = 1 << 18


def _engine():
    """tsf_segments_run, or None when no stream library has it."""
    try:
        return _stream_library.functions()
    except _library.LibraryNotFoundError:
        return None


def run(name, checked, values, starts, threads=None):
    """The outputs of filter `name` (parameters `checked`) over each segment
    of `values` (float32, contiguous): segment i is values[starts[i]:
    starts[i + 1]], the last one ending at the end. NaN in every slot the
    batch call leaves unwritten."""
    values = np.ascontiguousarray(values, dtype=np.float32)
    starts = np.ascontiguousarray(starts, dtype=np.int64)
    out = np.full(values.size, np.nan, dtype=np.float32)
    if values.size == 0 or starts.size == 0:
        return out
    lib = _engine()
    if lib is None or lib.segments_run is None:
        _one_by_one(name, checked, values, starts, out)
        return out
    params = _parameters.c_params(checked)
    kind = _parameters.kind(name)

    def call(first, stop):
        """Segments first..stop-1: their slots, and no others."""
        total = values.size if stop == starts.size else int(starts[stop])
        lib.check(lib.segments_run(kind, ctypes.byref(params), values.ctypes.data,
                                   starts.ctypes.data + 8 * first, stop - first, total,
                                   out.ctypes.data))

    ranges = _ranges(starts, values.size, threads)
    if len(ranges) == 1:
        call(*ranges[0])
    else:
        with ThreadPoolExecutor(len(ranges)) as pool:
            for done in [pool.submit(call, *r) for r in ranges]:
                done.result()
    return out


def _ranges(starts, total, threads):
    """[(first, stop)] ranges of segments with about as many samples each,
    one per thread."""
    if threads is None:
        threads = min(os.cpu_count() or 1, max(1, total // _SAMPLES_PER_THREAD))
    if threads <= 1 or starts.size < 2:
        return [(0, starts.size)]
    cuts = np.searchsorted(starts, np.arange(1, threads) * (total / threads))
    edges = np.unique(np.r_[0, cuts, starts.size])
    return [(int(a), int(b)) for a, b in zip(edges, edges[1:]) if b > a]


def _one_by_one(name, checked, values, starts, out):
    """The batch call on each segment, NaN prefilled in `out`."""
    fn = _library.functions()[FILTER_TABLE[name].c_name]
    arguments = list(checked.values())
    stops = np.r_[starts[1:], values.size]
    for start, stop in zip(starts.tolist(), stops.tolist()):
        if stop > start:
            check_length(stop - start)
            src, dst = values[start:stop], out[start:stop]
            fn(src.ctypes.data_as(_FLOAT_P), *arguments, stop - start,
               dst.ctypes.data_as(_FLOAT_P))
