"""Running many streams side by side: the lanes, split across threads.

A 2-D float32 array view with rows as time and columns as lanes describes
every layout the lanes take: a wide table (either memory order), a sweep
(a column stride of 0, every lane reading the same series) or one row of a
live table. Its strides go to `tsf_lanes_update` as they are, so nothing is
copied or transposed here.

The lanes are independent, so disjoint ranges of them run on different
threads with bits that cannot depend on how they were split; ctypes releases
the GIL for the length of each call. Ranges are whole multiples of 8 lanes
so that no SIMD vector runs half empty at a seam.
"""

import ctypes
import os
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np

from . import parameters as _parameters
from .stream_library import functions
from .values import INT32_MAX

_FLOAT_P = ctypes.POINTER(ctypes.c_float)

# Below this many lane-samples per thread (about half a millisecond of
# work), handing a share to another thread costs more than it saves, and
# on a machine whose cores are busy with other work, much more: measured on
# two shared cores, a second thread lost 45% at 12,800 lane-samples and 9%
# at 256,000, and broke even from a million up.
_MIN_WORK_PER_THREAD = 1 << 18
_VECTOR = 8


def cores():
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:  # not on Linux
        return os.cpu_count() or 1


def check_threads(threads):
    """`threads` as a count: None means every core this process may use."""
    if threads is None:
        return cores()
    if isinstance(threads, bool) or not isinstance(threads, int) or threads < 1:
        raise ValueError(f"threads must be a positive integer or None, not {threads!r}")
    return threads


_pool_lock = threading.Lock()
_pool = None


def _executor():
    global _pool
    with _pool_lock:
        if _pool is None:
            _pool = ThreadPoolExecutor(max_workers=cores(), thread_name_prefix="tsfilters")
        return _pool


def new_streams(name, parameter_sets):
    """One initialised tsf_stream per parameter set, as rows of 64-bit words.

    A byte copy of a stream is a complete stream, so each distinct set is
    initialised once and copied to every lane that shares it: a wide table
    of one set costs one call into the library, not one per column."""
    lib = functions()
    kind = _parameters.kind(name)
    first_of = {}
    distinct = []
    which = np.empty(len(parameter_sets), dtype=np.intp)
    for j, parameters in enumerate(parameter_sets):
        key = tuple(sorted(parameters.items()))
        if key not in first_of:
            first_of[key] = len(distinct)
            distinct.append(parameters)
        which[j] = first_of[key]
    started = np.zeros((len(distinct), lib.stream_words), dtype=np.uint64)
    for row, parameters in zip(started, distinct):
        lib.check(lib.stream_init(row.ctypes.data, kind,
                                  ctypes.byref(_parameters.c_params(parameters))))
    return started[which]


def _pointer(address):
    return ctypes.cast(ctypes.c_void_p(address), _FLOAT_P)


def _run_range(lib, first, last, rows, states, source, target, steps):
    """Lanes first..last-1 over every row, in calls of at most int32 rows.
    `states`, `source` and `target` are the addresses of the first lane's
    state, input and output; `steps` the state's size and the input's and
    output's strides in floats (row, lane). A live row's call is tens of
    microseconds, so the addresses are worked out once, by `run`."""
    state, row_in, lane_in, row_out, lane_out = steps
    for start in range(0, rows, INT32_MAX):
        code = lib.lanes_update(states + first * state, last - first,
                                source + 4 * (start * row_in + first * lane_in), row_in, lane_in,
                                min(rows - start, INT32_MAX),
                                target + 4 * (start * row_out + first * lane_out), row_out,
                                lane_out)
        if code < 0:
            lib.check(code)


def _run_alone(streams, first, last, input, output):
    """A library without lanes: the same bits, one stream at a time."""
    lib = functions()
    rows = input.shape[0]
    for start in range(0, rows, INT32_MAX):
        count = min(rows - start, INT32_MAX)
        for j in range(first, last):
            # A copy even where the column is contiguous: the update runs in place.
            chunk = np.array(input[start:start + count, j], dtype=np.float32)
            lib.check(lib.stream_update(streams[j].ctypes.data, chunk.ctypes.data_as(_FLOAT_P),
                                        count, chunk.ctypes.data_as(_FLOAT_P)))
            output[start:start + count, j] = chunk


def parts_for(lanes, rows, threads):
    """How many threads share `lanes` lanes over `rows` rows: as many as
    the work is worth (each at least _MIN_WORK_PER_THREAD lane-samples and
    a whole SIMD vector of lanes), at most `threads` (None: every core)."""
    worth = min(-(-lanes // _VECTOR), lanes * rows // _MIN_WORK_PER_THREAD)
    if worth <= 1:
        return 1  # nothing to share, and no need to ask how many cores
    return max(1, min(check_threads(threads), worth))


def run(streams, input, output, threads=None):
    """Advances every stream (row of `streams`) over its column of `input`
    (rows are time), writing its column of `output`."""
    lanes, rows = streams.shape[0], input.shape[0]
    if input.dtype != np.float32 or output.dtype != np.float32:
        raise TypeError("the lanes take float32 arrays")
    if input.shape != output.shape or input.shape[1] != lanes:
        raise ValueError(f"input {input.shape} and output {output.shape} do not fit {lanes} lanes")
    if threads is not None:
        check_threads(threads)
    parts = parts_for(lanes, rows, threads)
    lib = functions()
    if lib.lanes_update is None:
        ranges = _ranges(lanes, parts)
        _share([(_run_alone, (streams, a, b, input, output)) for a, b in ranges])
        return
    source = input.ctypes.data
    target = source if output is input else output.ctypes.data
    steps = (streams.strides[0], *(s // 4 for s in input.strides + output.strides))
    states = streams.ctypes.data
    _share([(_run_range, (lib, a, b, rows, states, source, target, steps))
            for a, b in _ranges(lanes, parts)])


def run_row(streams, address, values, threads=None):
    """`run` for one row of float32 `values` (1-D, one per lane), in place;
    `address` is that of `streams`, which the caller keeps. A live row is
    the call where what Python does around the C work shows: one lanes
    call, with nothing worked out that a row does not need. The lane count
    is the states', and the row must match it: the lanes read and write one
    value per state."""
    lanes = streams.shape[0]
    if values.shape != (lanes,):
        raise ValueError(f"a row of {values.shape} values for {lanes} lanes")
    lib = functions()
    if lib.lanes_update is None or parts_for(lanes, 1, threads) > 1:
        block = values.reshape(1, -1)
        run(streams, block, block, threads)
        return
    row = values.ctypes.data
    code = lib.lanes_update(address, lanes, row, lanes, 1, 1, row, lanes, 1)
    if code < 0:
        lib.check(code)


def _ranges(lanes, parts):
    """`parts` ranges of lanes, whole SIMD vectors each but the last."""
    if parts == 1:
        return [(0, lanes)]
    step = -(-lanes // parts)
    step = -(-step // _VECTOR) * _VECTOR
    return [(a, min(a + step, lanes)) for a in range(0, lanes, step)]


def _share(calls):
    """Runs each (function, arguments): the first on this thread, the rest
    on the pool, and waits for all."""
    (function, arguments), rest = calls[0], calls[1:]
    futures = [_executor().submit(f, *a) for f, a in rest]
    try:
        function(*arguments)
    finally:
        for future in futures:
            future.result()


def patch_windows(streams, output):
    """Writes each oscillator lane's first 100 outputs, once known, into the
    top of its column: the stream gives NaN there until sample 99 arrives."""
    lib = functions()
    lanes = streams.shape[0]
    windows = np.empty((lanes, 100), dtype=np.float32)
    known = np.zeros(lanes, dtype=bool)
    # Addresses worked out once: a thousand lanes are a thousand calls, and
    # building a view and a pointer object for each cost more than the call.
    first, step = streams.ctypes.data, streams.strides[0]
    target, target_step = windows.ctypes.data, windows.strides[0]
    window = lib.stream_window
    for j in range(lanes):
        known[j] = lib.check(window(first + j * step, _pointer(target + j * target_step))) > 0
    if known.any():
        output[:100, known] = windows[known].T
