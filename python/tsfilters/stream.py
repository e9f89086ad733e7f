"""Live filters: one series (`Stream`) or one per column (`Streams`) fed a
sample, a row or a chunk at a time.

    >>> s = tsfilters.Stream("ultimate_smoother", period=20)
    >>> s.update(history)          # any chunks: the batch call's bits
    >>> s.peek(forming_close)      # the bar still forming; s is unchanged
    >>> s.update(closed)           # the bar closed
    >>> saved = s.to_bytes()       # the library's own format, also from C

Outputs are positional, as the stream library writes them: each sample gets
the value the batch call writes at its slot, or NaN where that value is not
known yet (the Laguerre filter's first sample; an oscillator's samples
before its 100th, whose scale comes from the first 100 values: `window()`
gives those 100 once known).

A NaN sample would make every later output NaN for good, which a live
stream cannot undo, so it raises ValueError unless missing="drop" (the
sample is skipped: NaN out, the state unchanged) or "keep" (passed to the
library as it is). An infinity, or a number beyond float32's range, does
the same harm and is treated the same way.

A stream runs forward in time: a pandas chunk whose datetime index is not
strictly increasing is refused, as feeding it would filter it backwards.
It also remembers the date of the last bar it was fed, so that bars a feed
sends again are refused (seen="error") or dropped (seen="skip"); see
`_seen`. reset() starts a stream over, with the same parameters.

One object may be shared between threads: each holds a lock of its own for
the length of every call that reads or changes its state. ctypes lets go of
the GIL inside the library, and a lanes update rearranges the states in
place while it runs, so without the lock a peek, a save or a reset in
another thread would read or free them mid-call. The lock is re-entrant, so
a value whose conversion calls back into the same object does not hang.
"""

import ctypes
import math
import numbers
import os
import struct
import threading

import numpy as np

from . import _columnar, _gaps, _labels, _lanes, _not_prices, _parameters, _seen, precision
from ._arrays import INT32_MAX, loaded_pandas
from ._stream_library import KINDS, NAMES, functions

_FLOAT_P = ctypes.POINTER(ctypes.c_float)
_STREAM_CHOICES = ("error", "drop", "keep")
# Rows of these take Streams.update's short way.
_LIVE_DTYPES = (np.dtype(np.float64), np.dtype(np.float32))
_LANES_CHOICES = ("error", "drop", "keep")


def _check_missing(missing, choices):
    if missing not in choices:
        raise ValueError(f"missing must be one of {', '.join(choices)}, not {missing!r}")
    return choices[choices.index(missing)]  # the text itself, not what compared equal to it


def _real(value, what):
    """One sample as the library takes it: a float32. Text and truth values
    are refused, as the batch functions refuse them, though NumPy would
    convert "71.4" and True."""
    if isinstance(value, (str, bytes, bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(f"{what} must be a real number, not {type(value).__name__} {value!r}")
    with np.errstate(over="ignore"):  # beyond float32's range: inf, refused as a gap
        return np.float32(value)


def _samples_array(values, what):
    array = _not_prices.check_values(values, what)
    if array.dtype.kind not in "biuf":
        if array.dtype.kind != "O":  # text, dates: not prices
            raise TypeError(f"{what} must hold real numbers, not {array.dtype} values")
        try:
            array = array.astype(np.float64)
        except (TypeError, ValueError):
            raise TypeError(f"{what} must hold real numbers, not {array.dtype} values") from None
    # A copy: the library writes the outputs over it, in place.
    with np.errstate(over="ignore"):
        return np.array(array, dtype=np.float32, order="C")


def check_time_order(index, what):
    """Refuses a chunk whose datetime index does not run strictly forward:
    a stream cannot reorder what it has been fed."""
    if index.dtype.kind != "M" and not isinstance(index, loaded_pandas().PeriodIndex):
        return
    _seen.refuse_nat(index, what)
    if index.is_monotonic_increasing and index.is_unique:
        return
    stamps = index.asi8
    i = int(np.argmax(stamps[1:] <= stamps[:-1]))
    raise ValueError(f"{what} is not in time order: {index[i]} is followed by {index[i + 1]} "
                     f"(positions {i} and {i + 1}); a stream takes samples oldest first: "
                     "reverse it (x.iloc[::-1]) or sort it, or filter it with the function, "
                     "which puts it in time order")


def _series_values(series, what):
    """A Series' values as a float32 array for the library."""
    _labels.refuse_datetime_columns(series)
    _not_prices.check_pandas(series)
    return _samples_array(series.to_numpy(dtype=np.float64, na_value=np.nan), what)


def _parameters_from_saved(data):
    """Filter name and parameters from a saved state's header (after the
    library has accepted it): kind at byte 6, then period, smooth period and
    gamma from byte 12, little-endian."""
    kind, = struct.unpack_from("<H", data, 6)
    period, smooth_period, gamma = struct.unpack_from("<iif", data, 12)
    name = NAMES[kind]
    fields = {"period": period, "high_pass_period": period, "smooth_period": smooth_period,
              "gamma": float(str(np.float32(gamma)))}  # the shortest text of the float32
    return name, {key: fields[key] for key in _parameters.names(name)}


def _load(data):
    """A stream state from saved bytes; ValueError with the library's own
    message for anything it refuses."""
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise TypeError(f"expected bytes, not {type(data).__name__}")
    data = bytes(data)
    if len(data) > INT32_MAX:
        raise ValueError(f"{len(data)} bytes is no saved stream")
    lib = functions()
    state = np.zeros((1, lib.stream_words), dtype=np.uint64)
    lib.check(lib.stream_load(state.ctypes.data, data, len(data)))
    return state, data


class Stream:
    """Filter `name` over one series, with `parameters` (the filter's
    defaults for any left out).

      missing : what a NaN or infinite sample does: "error" (the default)
                raises and feeds nothing; "drop" skips it (NaN out, the
                state unchanged); "keep" feeds it, and every later output
                is NaN until reset()
      seen    : a pandas bar at or before the last date fed: "error" (the
                default) raises, "skip" leaves it out

    >>> import tsfilters
    >>> live = tsfilters.Stream("super_smoother", period=10)
    >>> live.update(50.0), live.update(51.0)        # its first two copy the input
    (50.0, 51.0)
    >>> live.peek(52.0) == live.update(52.0)        # the forming bar, then closed
    True
    >>> live.samples
    3
    """

    # The date of the last bar fed, when bars came with dates.
    last_date = None
    seen = "error"

    def __init__(self, name, *, missing="error", seen="error", **parameters):
        self.parameters = _parameters.checked(name, parameters)
        precision.warn(name, [self.parameters], stacklevel=2)
        self.name = name
        self.missing = _check_missing(missing, _STREAM_CHOICES)
        self.seen = _seen.check_choice(seen)
        self._lock = threading.RLock()
        self._state = _lanes.new_streams(name, [self.parameters])

    @classmethod
    def _from_state(cls, name, parameters, missing, state, seen="error", last_date=None):
        stream = cls.__new__(cls)
        stream.name, stream.parameters, stream.missing = name, parameters, missing
        stream.seen, stream.last_date = seen, last_date
        stream._lock = threading.RLock()
        stream._state = state
        return stream

    def reset(self):
        """Back to the state after construction: no samples, no last date,
        the same parameters. The way back after a bad tick fed with
        missing="keep"."""
        fresh = _lanes.new_streams(self.name, [self.parameters])
        with self._lock:
            self._state = fresh
            self.last_date = None

    @property
    def _state(self):
        return self._words

    @_state.setter
    def _state(self, words):
        # A live tick is one small C call, so what it needs is worked out
        # here, once per state, not per sample: the state's address (NumPy's
        # .ctypes alone costs more than the call), a float buffer the call
        # reads and writes in place, and a function without argtypes, whose
        # arguments ctypes passes as they are instead of converting each.
        self._words = words
        self._address = words.ctypes.data
        self._tick = ctypes.c_float()
        self._tick_call = (functions().stream_update_plain, ctypes.c_void_p(self._address),
                           ctypes.byref(self._tick))

    def _one(self, value, what):
        x = _real(value, what)
        if not np.isfinite(x) and self.missing != "keep":
            if self.missing == "error":
                raise ValueError(f"{what} is {value!r}, {_gaps.what(x)}; the stream would give "
                                 "NaN from here on (pass missing='drop' or 'keep')")
            return None
        return x

    def update(self, x):
        """Feeds `x`, a sample (returns its output as a float) or a 1-D
        array of them (returns an array of outputs; a Series for a Series,
        whose datetime index must run forward and past the last date fed)."""
        if isinstance(x, float):
            # The tick: the double rounded to float32 by the C conversion, as
            # NumPy rounds it; anything not finite then takes the long way.
            # The float buffer is the object's own, so it is used under the lock.
            with self._lock:
                tick = self._tick
                tick.value = x
                if math.isfinite(tick.value):
                    update, address, sample = self._tick_call
                    code = update(address, sample, 1, sample)
                    if code < 0:
                        functions().check(code)
                    return tick.value
        with self._lock:
            return self._update(x)

    def _update(self, x):
        """update() of anything but a finite float, under the lock."""
        if np.ndim(x) == 0:
            value = self._one(x, "the sample")
            if value is None:
                return float("nan")
            out = ctypes.c_float(value)
            functions().check(functions().stream_update(self._address, ctypes.byref(out), 1,
                                                        ctypes.byref(out)))
            return out.value
        _pd = loaded_pandas()
        is_series = _pd is not None and isinstance(x, _pd.Series)
        dated = is_series and _seen.is_dated(x.index)
        if is_series:
            check_time_order(x.index, "x")
            if dated:
                keep = _seen.fresh(x.index, self.last_date, self.seen)
                if keep is not None:
                    x = x[keep]
        values = _series_values(x, "x") if is_series else _samples_array(x, "x")
        if values.ndim != 1:
            raise ValueError(f"a Stream takes a number or a 1-D series, not a {values.ndim}-D "
                             "array (Streams filters one series per column)")
        out = self._update_array(values, x.index if is_series else None)
        if dated and len(x):
            self.last_date = x.index[-1]
        return _pd.Series(out, index=x.index, name=x.name) if is_series else out

    def _update_array(self, values, labels=None):
        gaps = _gaps.gaps(values)
        if self.missing != "keep" and gaps.any():
            if self.missing == "error":
                first = int(np.argmax(gaps))
                where = f"position {first}" if labels is None or isinstance(labels, loaded_pandas().RangeIndex) \
                    else f"{labels[first]} (position {first})"
                raise ValueError(f"x has {_gaps.what(values[first])} at {where}; "
                                 "nothing was fed (pass missing='drop' or 'keep')")
            out = np.full(values.shape, np.nan, dtype=np.float32)
            out[~gaps] = self._update_array(values[~gaps])
            return out
        lib = functions()
        for start in range(0, values.size, INT32_MAX):
            chunk = values[start:start + INT32_MAX]
            pointer = chunk.ctypes.data_as(_FLOAT_P)
            lib.check(lib.stream_update(self._address, pointer, chunk.size, pointer))
        return values

    def peek(self, x):
        """The output the next sample would get if it were `x`; the stream
        does not change. peek(x) then update(x) give the same bits."""
        value = self._one(x, "the sample")
        if value is None:
            return float("nan")
        out = ctypes.c_float()
        with self._lock:
            functions().check(functions().stream_peek(self._address, value, ctypes.byref(out)))
        return out.value

    def window(self):
        """An oscillator's outputs for samples 0..99 once it has had 100
        samples (as the batch call writes them); None otherwise."""
        out = np.empty(100, dtype=np.float32)
        with self._lock:
            got = functions().check(functions().stream_window(self._address,
                                                              out.ctypes.data_as(_FLOAT_P)))
        return out if got else None

    @property
    def samples(self):
        """How many samples the stream has consumed."""
        with self._lock:
            return functions().check(functions().stream_samples(self._address))

    def copy(self):
        """An independent snapshot that continues exactly as this one would."""
        with self._lock:
            state, last_date = self._state.copy(), self.last_date
        return Stream._from_state(self.name, dict(self.parameters), self.missing,
                                  state, self.seen, last_date)

    def to_bytes(self, *, dates=True):
        """The state in the library's saved format: it loads in C (tsf_stream_load)
        on any platform, or with Stream.from_bytes. A stream fed dated bars
        puts the last date in front of it, for from_bytes to restore; pass
        dates=False for the library's bare state (what a C host loads)."""
        lib = functions()
        with self._lock:  # the state and its date as of one moment
            size = lib.check(lib.stream_save(self._address, None, 0))
            buffer = ctypes.create_string_buffer(size)
            lib.check(lib.stream_save(self._address, buffer, size))
            last_date = self.last_date
        if dates and last_date is not None:
            return _seen.envelope(last_date, buffer.raw)
        return buffer.raw

    @classmethod
    def from_bytes(cls, data, *, missing="error", seen="error"):
        """The stream saved in `data` (by to_bytes or tsf_stream_save), with
        its last date if it was saved with one; `missing` and `seen` as for
        a new Stream. ValueError, with the library's reason, for bytes it
        refuses."""
        if not isinstance(data, (bytes, bytearray, memoryview)):
            raise TypeError(f"expected bytes, not {type(data).__name__}")
        last_date, data = _seen.open_envelope(bytes(data))
        state, data = _load(data)
        name, parameters = _parameters_from_saved(data)
        return cls._from_state(name, parameters, _check_missing(missing, _STREAM_CHOICES), state,
                               _seen.check_choice(seen), last_date)

    def __reduce__(self):
        return (_stream_from_bytes, (self.to_bytes(), self.missing, self.seen))

    def __repr__(self):
        parameters = ", ".join(f"{k}={v!r}" for k, v in self.parameters.items())
        return f"Stream({self.name!r}, {parameters}) after {self.samples} samples"


def _stream_from_bytes(data, missing, seen="error"):
    """A pickled Stream (see __reduce__): its bytes, checked as from_bytes
    checks them; anything else is a ValueError, as for a crafted Streams."""
    if type(data) is not bytes:
        raise ValueError(f"not a pickled Stream: its state is a {type(data).__name__}, not bytes")
    return Stream.from_bytes(data, missing=missing, seen=seen)


def _new_states(name, parameter_sets):
    """The lanes' states, or a MemoryError that says what was asked for."""
    count = len(parameter_sets)
    size = functions().stream_bytes()
    try:
        return _lanes.new_streams(name, parameter_sets)
    except MemoryError:
        raise MemoryError(f"{count:,} columns need {count * size / 2**30:,.1f} GiB of stream "
                          f"state ({size} bytes each), more than this process could "
                          "allocate") from None


def _check_room(count):
    """Refuses a column count whose states alone exceed the machine's memory,
    before anything per column (labels, parameters) is built for it."""
    need = count * functions().stream_bytes()
    try:
        physical = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES")
    except (AttributeError, ValueError, OSError):  # not on this system
        return
    if need > physical:
        raise MemoryError(f"{count:,} columns need {need / 2**30:,.1f} GiB of stream state "
                          f"({functions().stream_bytes()} bytes each); this machine has "
                          f"{physical / 2**30:,.1f} GiB")


class Streams:
    """Filter `name` over one series per column, all advanced together
    through the lanes. `columns` is a number of columns or their labels;
    each of the `parameters` is one value for all columns or a sequence of
    one per column.

      missing : what a NaN or infinite value does: "error" (the default)
                raises and feeds nothing; "drop" leaves that column's state
                as it is (NaN out) while the others advance; "keep" feeds it
      seen    : a row named by a date at or before the last one fed:
                "error" (the default) raises, "skip" leaves it out
      threads : threads sharing the columns; None picks as many as the
                work is worth, up to every core

    >>> import tsfilters
    >>> book = tsfilters.Streams("ultimate_smoother", ["CL", "NG"], period=[20, 10])
    >>> out = book.update({"CL": 71.4, "NG": 2.61})   # a dict row gives a dict back
    >>> sorted(out), book.samples
    (['CL', 'NG'], 1)
    """

    # A pandas row or block whose labels are these (the very object, or
    # equal ones) needs no reordering; see _positions.
    _index = None
    # [(labels, positions)] of the last few label objects seen, newest
    # first: pandas Index objects cannot change, so one that was checked
    # once needs no check again. Holding them keeps their ids from reuse.
    _known = ()
    # Peek's working copy of the states, allocated once.
    _scratch = None
    # The shape of a row that may take update's short way: one value per
    # state; None, so that no row takes it, for a table of no columns.
    _shape = None
    # The date of the last row fed, when rows came with dates.
    last_date = None
    seen = "error"

    def __init__(self, name, columns, *, missing="error", seen="error", threads=None,
                 **parameters):
        if isinstance(columns, numbers.Integral) and not isinstance(columns, bool):
            if columns < 0:
                raise ValueError(f"columns must be a count of 0 or more, or the column labels, "
                                 f"not {columns}")
            _check_room(int(columns))
            labels = list(range(columns))
        else:
            labels = list(columns)
            _check_room(len(labels))
        if len(set(labels)) != len(labels):
            raise ValueError("the column labels repeat; each column needs its own")
        self.name = name
        self.columns = labels
        self.parameters = _parameters.per_lane(name, parameters, len(labels))
        precision.warn(name, self.parameters, stacklevel=2)
        self.missing = _check_missing(missing, _LANES_CHOICES)
        self.seen = _seen.check_choice(seen)
        self.threads = _lanes.check_threads(threads) if threads is not None else None
        self._lock = threading.RLock()
        self._state = _new_states(name, self.parameters)
        _pd = loaded_pandas()
        if _pd is not None:
            # The caller's own Index when it gave one: rows taken from the
            # same frame carry that object, the fastest match of all.
            self._index = columns if isinstance(columns, _pd.Index) else _pd.Index(labels)

    @property
    def _state(self):
        return self._words

    @_state.setter
    def _state(self, words):
        # The address once per state, not once per live row: see Stream.
        # The row the lanes take is as long as the states are many, never
        # more: the lanes read and write one state per value.
        self._words, self._address = words, words.ctypes.data
        self._shape = (words.shape[0],) if words.shape[0] else None

    def _positions(self, labels):
        """Where each of this table's columns sits among `labels`, or None
        when they are already in this table's order."""
        if self._index is None:
            self._index = loaded_pandas().Index(self.columns)
        index = self._index
        if labels is index:
            return None
        for seen, positions in self._known:
            if labels is seen:
                return positions
        if labels.equals(index):
            positions = None
        else:
            positions = labels.get_indexer(index) if labels.is_unique else None
            if positions is None or len(labels) != len(index) or (positions < 0).any():
                raise ValueError(f"the labels {list(labels)[:20]} are not this table's columns "
                                 f"{self.columns[:20]}" + (" (first 20)" if len(index) > 20 else ""))
        self._known = ((labels, positions),) + self._known[:3]
        return positions

    def _pandas_rows(self, row):
        _pd = loaded_pandas()
        _labels.refuse_datetime_columns(row)
        _not_prices.check_pandas(row)
        if isinstance(row, _pd.Series):
            labels, values = row.index, row.to_numpy()
        else:
            check_time_order(row.index, "the block of rows")
            labels, values = row.columns, row.to_numpy()
        if values.dtype.kind not in "biuf":  # missing markers (pd.NA) become NaN
            try:
                values = row.to_numpy(dtype=np.float64, na_value=np.nan)
            except (TypeError, ValueError) as exc:
                raise TypeError(f"row must hold real numbers: {exc}") from None
        values = _samples_array(values, "row")
        positions = self._positions(labels)
        if positions is not None:
            values = np.ascontiguousarray(values[..., positions])

        def back(out):
            if positions is not None:
                given = np.empty_like(out)
                given[..., positions] = out
                out = given
            if isinstance(row, _pd.Series):
                return _pd.Series(out, index=labels, name=row.name)
            return _pd.DataFrame(out, index=row.index, columns=labels)
        return values, back

    def _dict_row(self, row):
        """A row given as {column: value}: a column left out has no value
        this row, a missing one; a key that is no column is an error."""
        if not hasattr(self, "_slot"):
            self._slot = {label: j for j, label in enumerate(self.columns)}
        unknown = [key for key in row if key not in self._slot]
        if unknown:
            raise KeyError(f"{unknown[:5]} are not columns of these streams")
        if self.missing == "error" and len(row) < len(self.columns):
            absent = [c for c in self.columns if c not in row][:5]
            raise ValueError(f"the row has no value for {absent}; nothing was fed (pass "
                             "missing='drop' to skip the columns without a value)")
        values = np.full(len(self.columns), np.nan, dtype=np.float32)
        given = _samples_array(list(row.values()), "row") if row else np.empty(0, np.float32)
        if given.ndim != 1:
            raise ValueError("a dict row maps each column to one value")
        values[[self._slot[key] for key in row]] = given
        return values

    def _rows(self, row):
        """(rows x columns float32 array, how to give the outputs back)."""
        width = len(self.columns)
        if isinstance(row, dict):
            values = self._dict_row(row)
            if self.missing == "error":
                self._check_gaps(values, row)
            return values, lambda out: dict(zip(self.columns, out.tolist()))
        columnar = _columnar.read(row)
        if columnar is not None:
            return self._columnar_rows(row, columnar)
        _pd = loaded_pandas()
        if _pd is not None and isinstance(row, (_pd.Series, _pd.DataFrame)):
            values, back = self._pandas_rows(row)
        else:
            values = _samples_array(row, "row")

            def back(out):
                return out.tolist() if isinstance(row, list) and out.ndim == 1 else out
        if values.ndim not in (1, 2) or values.shape[-1] != width:
            raise ValueError(f"expected one value per column ({width}), or rows of them, "
                             f"not shape {values.shape}")
        if self.missing == "error":
            self._check_gaps(values, row)
        return values, back

    def _columnar_rows(self, row, columnar):
        """A pyarrow Table or polars DataFrame: rows of values, its columns
        matched to this table's by name; a pyarrow Array or polars Series:
        one row, in this table's column order."""
        if columnar.names is None:
            values, _ = self._rows(columnar.values)
            return values, columnar.back
        names, mine = [str(n) for n in columnar.names], [str(c) for c in self.columns]
        if sorted(names) != sorted(mine):
            raise ValueError(f"the columns {names} are not this table's columns {mine}")
        values, _ = self._rows(columnar.values[:, [names.index(c) for c in mine]])
        caller = [mine.index(n) for n in names]
        return values, lambda out: columnar.back(out[:, caller])

    def _check_gaps(self, values, row):
        """Refuses NaN and infinities (without a table-sized mask when there
        are none), naming the column and the row."""
        if values.size == 0 or (np.isfinite(values.min()) and np.isfinite(values.max())):
            return
        block = values.reshape(-1, len(self.columns))
        r, j = (int(i) for i in np.argwhere(_gaps.gaps(block))[0])
        where = ""
        _pd = loaded_pandas()
        if _pd is not None and isinstance(row, _pd.DataFrame):
            where = f" in row {row.index[r]} (position {r})"
        elif values.ndim == 2:
            where = f" in row {r}"
        elif _pd is not None and isinstance(row, _pd.Series) and row.name is not None:
            where = f" in row {row.name}"
        raise ValueError(f"column {_labels.shown(self.columns[j])} has {_gaps.what(block[r, j])}{where}; "
                         "nothing was fed (pass missing='drop' to skip it, or 'keep' to feed it)")

    def _advance(self, state, values):
        lanes = state.shape[0]  # the states say how long a row is, not the labels
        if not lanes:  # nothing to run, and no row length to reshape by
            return values
        if values.size % lanes:
            raise ValueError(f"expected one value per column ({lanes}), not {values.shape}")
        block = values.reshape(-1, lanes)
        if self.missing == "drop" and block.size and not (
                np.isfinite(block.min()) and np.isfinite(block.max())):
            self._advance_dropping(state, block, _gaps.gaps(block))
            return values
        _lanes.run(state, block, block, self.threads)
        return values

    def _advance_dropping(self, state, block, gaps):
        """missing="drop": a column without a value in a row keeps its state
        and gets NaN; the others advance. Runs of rows without gaps still go
        through the lanes in one call."""
        dirty = gaps.any(axis=1)
        start = 0
        for r in [*np.flatnonzero(dirty), block.shape[0]]:
            if r > start:
                _lanes.run(state, block[start:r], block[start:r], self.threads)
            if r == block.shape[0]:
                break
            keep = np.flatnonzero(~gaps[r])
            if keep.size:
                lanes = state[keep]  # a copy: fancy indexing
                row = np.ascontiguousarray(block[r, keep]).reshape(1, -1)
                _lanes.run(lanes, row, row, self.threads)
                state[keep] = lanes
                block[r, keep] = row[0]
            block[r, gaps[r]] = np.nan
            start = r + 1

    def _fresh_rows(self, row):
        """`row` without the rows at or before the last date fed (seen=
        "skip"; ValueError for "error"), and the date of its last row."""
        _pd = loaded_pandas()
        if _pd is None:
            return row, None
        if isinstance(row, _pd.Series):
            date = _seen.date_of(row.name)
            if date is not None and _seen.fresh(_pd.Index([date]), self.last_date,
                                                self.seen) is not None:
                return None, None
            return row, date
        if isinstance(row, _pd.DataFrame) and _seen.is_dated(row.index):
            check_time_order(row.index, "the block of rows")
            keep = _seen.fresh(row.index, self.last_date, self.seen)
            if keep is not None:
                row = row[keep]
            return row, row.index[-1] if len(row) else None
        return row, None

    def update(self, row):
        """Feeds one value per column (array, list, dict {column: value},
        or Series indexed by column), or a block of rows of them (2-D array
        or DataFrame), and returns the outputs in the same form. A row
        named by a date (a Series' name, a DataFrame's index) at or before
        the last date fed is refused or skipped, as `seen` says; a skipped
        Series row returns None."""
        if type(row) is np.ndarray and row.dtype in _LIVE_DTYPES and row.shape == self._shape:
            # A live row of plain numbers, the case worth a path of its own:
            # one check for gaps, one conversion, one lanes call.
            values = _gaps.finite_float32(row)
            if values is not None:
                with self._lock:
                    _lanes.run_row(self._words, self._address, values, self.threads)
                return values
        elif self._index is not None and getattr(row, "index", None) is self._index \
                and isinstance(row, loaded_pandas().Series) and row.dtype in _LIVE_DTYPES \
                and _seen.date_of(row.name) is None:
            # A Series row labelled by this table's own Index object (a row
            # of the frame the table was made from): no labels to match.
            values = _gaps.finite_float32(row.to_numpy())
            if values is not None and values.shape == self._shape:
                with self._lock:
                    _lanes.run_row(self._words, self._address, values, self.threads)
                return type(row)(values, index=row.index, name=row.name, copy=False)
        with self._lock:  # the date check, the rows and the new date as one step
            row, date = self._fresh_rows(row)
            if row is None:
                return None
            values, back = self._rows(row)
            out = back(self._advance(self._state, values))
            if date is not None:
                self.last_date = date
            return out

    def reset(self):
        """Back to the state after construction: no rows, no last date, the
        same columns and parameters."""
        fresh = _new_states(self.name, self.parameters)
        with self._lock:
            self._state = fresh
            self._scratch = None
            self.last_date = None

    def peek(self, row):
        """The outputs the next row would get if it were `row`; nothing
        changes."""
        with self._lock:
            return self._peek(row)

    def _peek(self, row):
        values, back = self._rows(row)
        if values.ndim != 1:
            raise ValueError("peek takes one row")
        lib = functions()
        if lib.lanes_peek is not None and values.size:
            lanes = self._state.shape[0]
            if values.shape != (lanes,):  # what the lanes read, whatever the labels say
                raise ValueError(f"expected one value per column ({lanes}), not {values.shape}")
            out = np.empty_like(values)
            lib.check(lib.lanes_peek(self._state.ctypes.data, lanes,
                                     values.ctypes.data_as(_FLOAT_P), 1,
                                     out.ctypes.data_as(_FLOAT_P), 1))
            return back(out)
        # A library without the lanes' peek: the row runs on a working copy
        # of the states, kept for the next peek (a fresh array each time
        # costs its page faults on every call).
        scratch, self._scratch = self._scratch, None
        if scratch is None or scratch.shape != self._state.shape:
            scratch = np.empty_like(self._state)
        np.copyto(scratch, self._state)
        out = back(self._advance(scratch, values))
        self._scratch = scratch
        return out

    def window(self):
        """An oscillator's outputs for samples 0..99 of every column, as
        (100, columns), once 100 rows have been fed; None otherwise."""
        if not _parameters.row(self.name).rms_scaled:
            return None
        with self._lock:
            if self._samples() < 100:
                return None
            out = np.full((100, self._state.shape[0]), np.nan, dtype=np.float32)
            _lanes.patch_windows(self._state, out)
        return out

    @property
    def samples(self):
        """How many rows have been fed."""
        with self._lock:
            return self._samples()

    def _samples(self):
        if not self._state.shape[0]:
            return 0
        return functions().check(functions().stream_samples(self._state[0].ctypes.data))

    def __getitem__(self, column):
        """A snapshot of one column's stream, as a Stream."""
        j = self.columns.index(column)
        with self._lock:
            state, last_date = self._state[j:j + 1].copy(), self.last_date
        return Stream._from_state(self.name, dict(self.parameters[j]), "error",
                                  state, self.seen, last_date)

    def copy(self):
        with self._lock:
            other = Streams.__new__(Streams)
            other.__dict__.update(self.__dict__)
            other._state = self._state.copy()
        other._lock = threading.RLock()  # its own: a copy is not shared with this one
        other._scratch = None
        return other

    def __reduce__(self):
        # Every column as of one moment: a row fed meanwhile by another
        # thread lands in all of them or in none.
        with self._lock:
            states, last_date = self._state.copy(), self.last_date
        saved = [Stream._from_state(self.name, parameters, "error", states[j:j + 1])
                 .to_bytes(dates=False) for j, parameters in enumerate(self.parameters)]
        return (_streams_from_bytes, (self.columns, saved, self.missing, self.threads,
                                      self.seen, last_date, self.name))

    def __repr__(self):
        return f"Streams({self.name!r}, {len(self.columns)} columns) after {self.samples} rows"


def _pickled_date(last_date):
    """A pickle's last date, if it is one a stream keeps: a Timestamp or a
    Period (as pandas pickles them), never NaT, which would let every bar
    through."""
    if last_date is None:
        return None
    _pd = loaded_pandas()
    # NaT is neither a Timestamp nor a Period.
    if _pd is None or not isinstance(last_date, (_pd.Timestamp, _pd.Period)):
        raise ValueError(f"the last date {last_date!r} is not a pandas Timestamp or Period")
    return last_date


def _pickled_kind(saved):
    """The one filter kind of a pickle's saved states, read from their
    headers (the library checks the rest when it loads them)."""
    kinds = set()
    for data in saved:
        if type(data) is not bytes or len(data) < 8 or data.startswith(_seen.MAGIC):
            raise ValueError("a column's state is not a saved stream's bytes")
        kinds.add(struct.unpack_from("<H", data, 6)[0])
    if len(kinds) > 1:
        raise ValueError(f"the columns' states are of {len(kinds)} filter kinds, not one")
    kind = kinds.pop() if kinds else None
    if kind is not None and kind not in NAMES:
        raise ValueError(f"the columns' states are of an unknown filter kind {kind}")
    return kind


def _check_pickle(columns, saved, missing, threads, seen, last_date, name):
    """What a pickled Streams holds, checked before anything reaches the
    library: a pickle comes from outside, and one that names only this
    function and plain data passes any allow-list of callables, so its
    values may be anything. A column without a state (or a state without a
    column) would send the lanes past the end of the states."""
    if type(columns) not in (list, tuple) or type(saved) not in (list, tuple):
        raise ValueError("the columns and their states must be lists")
    if len(columns) != len(saved):
        raise ValueError(f"{len(columns)} columns but {len(saved)} saved states")
    try:
        unique = len(set(columns)) == len(columns)
    except TypeError:
        unique = False
    if not unique:
        raise ValueError("the column labels repeat or cannot be labels")
    if type(missing) is not str or missing not in _LANES_CHOICES:
        raise ValueError(f"missing={missing!r} is not one of {', '.join(_LANES_CHOICES)}")
    if type(seen) is not str or seen not in _seen.CHOICES:
        raise ValueError(f"seen={seen!r} is not one of {', '.join(_seen.CHOICES)}")
    if threads is not None and (type(threads) is not int or threads < 1):
        raise ValueError(f"threads={threads!r} is not a positive integer or None")
    if name is not None and (type(name) is not str or name not in KINDS):
        raise ValueError(f"{name!r} is not a filter")
    kind = _pickled_kind(saved)
    if kind is not None and name is not None and NAMES[kind] != name:
        raise ValueError(f"the states are of {NAMES[kind]}, not {name}")
    return _pickled_date(last_date), (NAMES[kind] if kind is not None else name)


def _streams_from_bytes(columns, saved, missing, threads, seen="error", last_date=None,
                        name=None):
    """A pickled Streams (see __reduce__); ValueError for anything that is
    not what __reduce__ writes."""
    try:
        last_date, name = _check_pickle(columns, saved, missing, threads, seen, last_date, name)
    except ValueError as exc:
        raise ValueError(f"not a pickled Streams: {exc}") from None
    loaded = [_load(data) for data in saved]
    out = Streams.__new__(Streams)
    out.name = name
    out.columns, out.missing, out.threads = list(columns), missing, threads
    out.seen, out.last_date = seen, last_date
    out.parameters = [_parameters_from_saved(data)[1] for _, data in loaded]
    out._lock = threading.RLock()
    words = functions().stream_words
    out._state = np.concatenate([state for state, _ in loaded]) if loaded \
        else np.zeros((0, words), dtype=np.uint64)
    return out
