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

from ._frames import columnar as _columnar
from ._frames import gaps as _gaps
from ._frames import kinds
from ._frames import labels as _labels
from ._frames import pandas as _pandas
from ._frames import seen as _seen
from ._engine import book as _book
from ._engine import lanes as _lanes
from ._engine import parameters as _parameters
from ._engine import precision_limits as _precision_limits
from ._engine import warmup as _warmup
from ._frames.arrays import INT32_MAX, samples_array as _samples_array
from ._engine.stream_library import KINDS, NAMES, functions

_FLOAT_P = ctypes.POINTER(ctypes.c_float)
_STREAM_CHOICES = ("error", "drop", "keep")
# Rows of these take Streams.update's short way.
_FLOAT64, _FLOAT32 = np.dtype(np.float64), np.dtype(np.float32)
_LIVE_DTYPES = (_FLOAT64, _FLOAT32)
_LANES_CHOICES = ("error", "drop", "keep")
# Every float32 squared is at most this: a float64 row whose sum of
# squares is no more holds no value beyond float32's range.
_FLOAT32_MAX_SQUARED = float(np.finfo(np.float32).max) ** 2
# Halfway from the largest float32 to 2**128: a float64 at least this far
# from 0 rounds to an infinity.
_FLOAT32_OVERFLOW = float.fromhex("0x1.ffffffp127")
_ALL = object()  # reset(): every column


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


# The time-order check of a Series or DataFrame chunk, by its old name here.
check_time_order = _pandas.check_time_order


def _parameters_from_saved(data):
    """Filter name and parameters from a saved state's header (after the
    library has accepted it): kind at byte 6, then period, smooth period and
    gamma from byte 12, little-endian."""
    kind, = struct.unpack_from("<H", data, 6)
    period, smooth_period, gamma = struct.unpack_from("<iif", data, 12)
    name = NAMES[kind]
    return name, _parameters_of(name, period, smooth_period, gamma)


def _parameters_from_params(name, params):
    """A book series' parameters (a tsf_params) as the filter's keywords."""
    return _parameters_of(name, params.period, params.smooth_period, params.gamma)


def _parameters_of(name, period, smooth_period, gamma):
    fields = {"period": period, "high_pass_period": period, "smooth_period": smooth_period,
              "gamma": float(str(np.float32(gamma)))}  # the shortest text of the float32
    return {key: fields[key] for key in _parameters.names(name)}


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
      seen    : a dated bar at or before the last date fed: "error" (the
                default) raises, "skip" leaves it out
      warmup  : "keep" (the default) or "nan": NaN until the stream has
                had its settling length of samples, as the batch calls'
                warmup="nan" blanks them

    >>> import tsfilters
    >>> live = tsfilters.Stream("super_smoother", period=10)
    >>> live.update(50.0), live.update(51.0)        # its first two copy the input
    (50.0, 51.0)
    >>> live.peek(52.0) == live.update(52.0)        # the forming bar, then closed
    True
    >>> live.samples
    3
    """

    _last_date = None
    seen = "error"
    warmup = "keep"
    # Samples still to blank under warmup="nan".
    _warm = 0
    # The date of the last dated bar, when undated samples came after it:
    # the last date is then unknown, and a dated bar is refused.
    _undated_after = None

    def __init__(self, name, *, missing="error", seen="error", warmup="keep", **parameters):
        self.parameters = _parameters.checked(name, parameters)
        _precision_limits.warn(name, [self.parameters], stacklevel=2)
        self.name = name
        self.missing = _check_missing(missing, _STREAM_CHOICES)
        self.seen = _seen.check_choice(seen)
        self.warmup = _warmup.check_warmup(warmup)
        # A plain lock, cheaper than a re-entrant one: no call holds it
        # while it converts the caller's values (which may run the caller's
        # code), so no call can come back for it on the same thread.
        self._lock = threading.Lock()
        self._state = _lanes.new_streams(name, [self.parameters])
        self._rewarm(0)

    @classmethod
    def _from_state(cls, name, parameters, missing, state, seen="error", last_date=None,
                    warmup="keep"):
        stream = cls.__new__(cls)
        stream.name, stream.parameters, stream.missing = name, parameters, missing
        stream.seen, stream.last_date, stream.warmup = seen, last_date, warmup
        stream._lock = threading.Lock()
        stream._state = state
        stream._rewarm(functions().check(functions().stream_samples(stream._address)))
        return stream

    def _rewarm(self, samples):
        blank = _warmup.blanked(self.name, self.warmup, **self.parameters) - samples
        self._warm = max(0, blank)
        self._plain = self._warm == 0 and self.last_date is None

    def reset(self):
        """Back to the state after construction: no samples, no last date,
        the same parameters. The way back after a bad tick fed with
        missing="keep"."""
        fresh = _lanes.new_streams(self.name, [self.parameters])
        with self._lock:
            self._state = fresh
            self.last_date = self._undated_after = None
            self._rewarm(0)

    @property
    def last_date(self):
        """The date of the last bar fed, when bars came with dates."""
        return self._last_date

    @last_date.setter
    def last_date(self, date):
        self._last_date = date
        self._undated_after = None
        self._plain = date is None and self._warm == 0  # a date to keep: not the short way

    @property
    def _state(self):
        return self._words

    @_state.setter
    def _state(self, words):
        # A live tick is one small C call, so what it needs is worked out
        # here, once per state, not per sample: the state's address (NumPy's
        # .ctypes alone costs more than the call), float buffers the calls
        # read and write, and functions without argtypes, whose arguments
        # ctypes passes as they are instead of converting each.
        lib = functions()
        self._words = words
        self._address = words.ctypes.data
        self._tick = ctypes.c_float()
        self._peeked = ctypes.c_float()
        address = ctypes.c_void_p(self._address)
        self._tick_call = (lib.stream_update_plain, address, ctypes.byref(self._tick))
        self._peek_call = (lib.stream_peek_plain, address, ctypes.byref(self._peeked))

    def _one(self, value, what):
        x = _real(value, what)
        if not np.isfinite(x) and self.missing != "keep":
            if self.missing == "error":
                raise ValueError(f"{what} is {value!r}, {_gaps.what(x)}; the stream would give "
                                 "NaN from here on (pass missing='drop' or 'keep')")
            return None
        return x

    def update(self, x, *, at=None):
        """Feeds `x`, a sample (returns its output as a float) or a 1-D
        array of them (returns an array of outputs; a Series for a Series,
        whose datetime index must run forward and past the last date fed).
        `at` dates a sample or an undated array (its last sample): a
        dated bar at or before the last date fed is refused or skipped as
        `seen` says. Undated samples after dated ones leave the last date
        unknown, so that the next dated bar is refused."""
        if type(x) is float and at is None:
            # The tick: the double rounded to float32 by the C conversion, as
            # NumPy rounds it; anything not finite, a warm-up to blank or a
            # date to forget then takes the long way. The float buffer is the
            # object's own, so it is used under the lock.
            with self._lock:
                if self._plain:
                    tick = self._tick
                    tick.value = x
                    if math.isfinite(tick.value):
                        update, address, sample = self._tick_call
                        code = update(address, sample, 1, sample)
                        if code < 0:
                            functions().check(code)
                        return tick.value
        if np.ndim(x) == 0:
            value = self._one(x, "the sample")
            date = _seen.as_date(at) if at is not None else None
            with self._lock:
                return self._update_one(value, date)
        return self._update(x, at)

    def _update_one(self, value, date):
        """One sample (None: dropped) under the lock."""
        if date is not None:
            self._check_date(_pandas.index_of(date), "the sample")
            if _seen.fresh(_pandas.index_of(date), self.last_date, self.seen) is not None:
                return float("nan")  # seen="skip": a bar already fed
        if value is None:
            return float("nan")
        out = ctypes.c_float(value)
        functions().check(functions().stream_update(self._address, ctypes.byref(out), 1,
                                                    ctypes.byref(out)))
        result = out.value
        if self._warm:
            result = float("nan")
            self._warm -= 1
        self._dated_now(date)
        return result

    def _dated_now(self, date):
        """After samples were fed: the last date is `date`, or unknown when
        they had none and a date was known."""
        if date is not None:
            self.last_date = date
        elif self.last_date is not None:
            was = self.last_date
            self.last_date = None
            self._undated_after = was
        self._plain = self._warm == 0 and self.last_date is None

    def _check_date(self, index, what):
        if self._undated_after is not None:
            raise ValueError(f"{what}: " + _seen.UNKNOWN_MESSAGE.format(
                who="", date=self._undated_after))

    def _update(self, x, at):
        """update() of an array or Series: converted, then fed under the lock."""
        is_series = kinds.is_pandas_series(x)
        values, dated = _pandas.read_series(x, "x") if is_series else (_samples_array(x, "x"), False)
        if values.ndim != 1:
            raise ValueError(f"a Stream takes a number or a 1-D series, not a {values.ndim}-D "
                             "array (Streams filters one series per column)")
        date = _seen.as_date(at) if at is not None else None
        with self._lock:
            dates = x.index if dated else (_pandas.index_of(date) if date is not None else None)
            keep = None
            if dates is not None and len(values):
                self._check_date(dates, "x")
                keep = _seen.fresh(dates, self.last_date, self.seen)
                if keep is not None and not dated:  # a dated array: wholly seen or new
                    return np.full(values.shape, np.nan, dtype=np.float32)
            if keep is not None:
                x, values = x[keep], values[keep]
            out = self._update_array(values, x.index if is_series else None)
            if len(values):
                if dated:
                    fed = ~_gaps.gaps(values) if self.missing == "drop" else None
                    last = x.index[fed] if fed is not None else x.index
                    self._dated_now(last[-1] if len(last) else None if self.last_date is None
                                    else self.last_date)
                else:
                    self._dated_now(date)
        return _pandas.series_like(out, x) if is_series else out

    def _update_array(self, values, labels=None):
        gaps = _gaps.gaps(values)
        if self.missing != "keep" and gaps.any():
            if self.missing == "error":
                first = int(np.argmax(gaps))
                where = f"position {first}" if labels is None or kinds.is_a(labels, "pandas", "RangeIndex") \
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
        if self._warm:
            blank = min(self._warm, values.size)
            values[:blank] = np.nan
            self._warm -= blank
        return values

    def peek(self, x):
        """The output the next sample would get if it were `x`; the stream
        does not change. peek(x) then update(x) give the same bits."""
        if type(x) is float:
            with self._lock:
                if not self._warm:
                    peek, address, out = self._peek_call
                    sample = self._peeked
                    sample.value = x
                    if math.isfinite(sample.value):
                        code = peek(address, sample, out)
                        if code < 0:
                            functions().check(code)
                        return sample.value
        value = self._one(x, "the sample")
        if value is None:
            return float("nan")
        out = ctypes.c_float()
        with self._lock:
            functions().check(functions().stream_peek(self._address, value, ctypes.byref(out)))
            return float("nan") if self._warm else out.value

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
            state, last_date, undated = self._state.copy(), self.last_date, self._undated_after
        copy = Stream._from_state(self.name, dict(self.parameters), self.missing,
                                  state, self.seen, last_date, self.warmup)
        copy._undated_after = undated
        return copy

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
    def from_bytes(cls, data, *, missing="error", seen="error", warmup="keep"):
        """The stream saved in `data` (by to_bytes or tsf_stream_save), with
        its last date if it was saved with one; `missing`, `seen` and
        `warmup` as for a new Stream (the warm-up counts the samples the
        saved stream had). ValueError, with the library's reason, for bytes
        it refuses."""
        if not isinstance(data, (bytes, bytearray, memoryview)):
            raise TypeError(f"expected bytes, not {type(data).__name__}")
        last_date, data = _seen.open_envelope(bytes(data))
        state, data = _load(data)
        name, parameters = _parameters_from_saved(data)
        return cls._from_state(name, parameters, _check_missing(missing, _STREAM_CHOICES), state,
                               _seen.check_choice(seen), last_date,
                               _warmup.check_warmup(warmup))

    def __reduce__(self):
        return (_stream_from_bytes, (self.to_bytes(), self.missing, self.seen, self.warmup))

    def __repr__(self):
        parameters = ", ".join(f"{k}={v!r}" for k, v in self.parameters.items())
        return f"Stream({self.name!r}, {parameters}) after {self.samples} samples"


def _stream_from_bytes(data, missing, seen="error", warmup="keep"):
    """A pickled Stream (see __reduce__): its bytes, checked as from_bytes
    checks them; anything else is a ValueError, as for a crafted Streams."""
    if type(data) is not bytes:
        raise ValueError(f"not a pickled Stream: its state is a {type(data).__name__}, not bytes")
    if type(warmup) is not str:
        raise ValueError(f"not a pickled Stream: warmup={warmup!r}")
    return Stream.from_bytes(data, missing=missing, seen=seen, warmup=warmup)


def _check_room(name, count):
    """Refuses a column count whose book alone exceeds the machine's
    memory (or a book's slots), before anything per column is built."""
    lib = functions()
    if lib.book_bytes is None:
        return
    kind = _parameters.kind(name)
    each = (lib.check(lib.book_bytes(kind, 1024)) - lib.check(lib.book_bytes(kind, 0))) / 1024
    need = count * each
    if count > INT32_MAX:
        raise MemoryError(f"{count:,} columns need {need / 2**30:,.1f} GiB of stream state "
                          f"({each:.0f} bytes each); a book holds at most {INT32_MAX:,}")
    try:
        physical = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES")
    except (AttributeError, ValueError, OSError):  # not on this system
        return
    if need > physical:
        raise MemoryError(f"{count:,} columns need {need / 2**30:,.1f} GiB of stream state "
                          f"({each:.0f} bytes each); this machine has "
                          f"{physical / 2**30:,.1f} GiB")


class Streams:
    """Filter `name` over one series per column (a symbol of a live book),
    all advanced a row at a time in one book of the stream library.
    `columns` is a number of columns or their labels; each of the
    `parameters` is one value for all columns or a sequence of one per
    column.

      missing : what a NaN or infinite value does: "error" (the default)
                raises and feeds nothing; "drop" leaves that column's state
                as it is (NaN out) while the others advance; "keep" feeds it
      seen    : a row named by a date at or before a column's last date
                fed: "error" (the default) raises, "skip" leaves that
                column out of the row
      warmup  : "keep" (the default) or "nan": NaN until each column has
                had its settling length of samples, counted in its own
                samples, as the batch calls' warmup="nan" blanks them
      threads : kept for callers that pass it; a book's row is one call

    Columns come and go with add() and remove(): no other column moves. A
    removed column leaves its slot free (None in `columns`, its value in a
    dense row not read, its output NaN) until add() takes it again.

    >>> import tsfilters
    >>> book = tsfilters.Streams("ultimate_smoother", ["CL", "NG"], period=[20, 10])
    >>> out = book.update({"CL": 71.4, "NG": 2.61})   # a dict row gives a dict back
    >>> sorted(out), book.samples
    (['CL', 'NG'], 1)
    """

    # A pandas row whose labels are these (the very object) needs no
    # matching; None while a slot is free.
    _index = None
    # [(labels, slots)] of the last few label objects seen, newest first:
    # pandas Index objects cannot change, so one checked once needs no
    # check again. Holding them keeps their ids from reuse.
    _known = ()
    # The keys of the last dict row and their slots, for the next row of
    # the same keys (a feed sends the same symbols row after row).
    _dict_keys = None
    _dict_slots = None
    # The shape of a row that may take update's short way, or None.
    _shape = None
    seen = "error"
    warmup = "keep"
    _dating = False  # the row being fed has a date

    def __init__(self, name, columns, *, missing="error", seen="error", threads=None,
                 warmup="keep", **parameters):
        if isinstance(columns, numbers.Integral) and not isinstance(columns, bool):
            if columns < 0:
                raise ValueError(f"columns must be a count of 0 or more, or the column labels, "
                                 f"not {columns}")
            _check_room(name, int(columns))
            labels = list(range(columns))
        else:
            labels = list(columns)
            _check_room(name, len(labels))
        if len(set(labels)) != len(labels):
            raise ValueError("the column labels repeat; each column needs its own")
        parameter_sets = _parameters.per_lane(name, parameters, len(labels))
        _precision_limits.warn(name, parameter_sets, stacklevel=2)
        self.name = name
        self.missing = _check_missing(missing, _LANES_CHOICES)
        self.seen = _seen.check_choice(seen)
        self.warmup = _warmup.check_warmup(warmup)
        self.threads = _lanes.check_threads(threads) if threads is not None else None
        self._lock = threading.RLock()
        self._start(_book.Book(name, len(labels), self.missing))
        c_params = {}
        for label, p in zip(labels, parameter_sets):
            key = tuple(sorted(p.items()))
            if key not in c_params:
                c_params[key] = _parameters.c_params(p)
            self._added(label, p, self._book.add_c(c_params[key]))
        self._moved()
        if kinds.is_a(columns, "pandas", "Index") and self._index is not None:
            self._index = columns  # rows of the caller's frame carry this very object

    # The book and what Python keeps per slot beside it.

    def _start(self, book):
        self._book = book
        self._labels, self._params, self._slot = [], [], {}
        size = book.capacity
        self._live = np.zeros(size, dtype=bool)
        self._warm = np.zeros(size, dtype=np.int64)  # samples each slot still blanks
        self._last = np.full(size, _seen.NONE, dtype=np.int64)
        self._clock = _seen.Clock()
        self._warming = 0
        self._dated = False  # some slot holds a known date
        # The last row and output arrays a dense row took, with their
        # addresses: asking NumPy for an address costs about as much as
        # the library's whole row of a thousand series, and a live caller
        # passes the same `out` (often the same row buffer) every time.
        # The reference held keeps the array, and so its memory, alive
        # (NumPy refuses to resize an array others refer to). One tuple
        # each, replaced whole, so that no thread sees an array paired
        # with another's address.
        self._row_seen = self._out_seen = (None, 0)
        self._dict_scratch = None  # (k, float64 row, float32 outputs, their addresses)
        self._moved()

    def _fit(self):
        """The per-slot arrays as long as the book's capacity."""
        book = self._book
        if self._live.size < book.capacity:
            grow = book.capacity - self._live.size
            self._live = np.concatenate([self._live, np.zeros(grow, dtype=bool)])
            self._warm = np.concatenate([self._warm, np.zeros(grow, dtype=np.int64)])
            self._last = np.concatenate([self._last, np.full(grow, _seen.NONE, np.int64)])

    def _moved(self):
        """After the book's memory or slots changed: what rows read."""
        book = self._book
        self._fit()
        self._address = book.address
        slots = book.slots
        self._shape = (slots,) if slots else None
        self._known = ()
        self._dict_keys = self._dict_slots = None
        self._index = None
        if slots and self._live[:slots].all():
            self._index = _pandas.labels_index(self._labels)

    def _added(self, label, parameters, slot):
        """Python's side of a series the book just took into `slot`."""
        if slot == len(self._labels):
            self._labels.append(label)
            self._params.append(parameters)
        else:
            self._labels[slot], self._params[slot] = label, parameters
        self._slot[label] = slot
        self._fit()
        self._live[slot] = True
        self._last[slot] = _seen.NONE
        self._rewarm(slot, 0)

    def _rewarm(self, slot, samples):
        blank = 0
        if self.warmup == "nan" and self._live[slot]:
            blank = max(0, _warmup.blanked(self.name, "nan", **self._params[slot]) - samples)
        self._warm[slot] = blank
        self._warming = int(np.count_nonzero(self._warm))

    @property
    def columns(self):
        """The label of each slot, in slot order (a dense row's order);
        None for a free slot."""
        return list(self._labels)

    @property
    def parameters(self):
        """Each slot's parameters (None for a free slot)."""
        return [None if p is None else dict(p) for p in self._params]

    def _slot_of(self, label):
        try:
            return self._slot[label]
        except (KeyError, TypeError):
            raise KeyError(f"{label!r} is not a column of these streams") from None

    def add(self, label, **parameters):
        """Adds a column (a listing, a roll) with `parameters` (the filter's
        defaults for any left out) and no samples; returns its slot."""
        checked = _parameters.checked(self.name, parameters)
        _precision_limits.warn(self.name, [checked], stacklevel=2)
        with self._lock:
            try:
                known = label in self._slot
            except TypeError:
                raise TypeError(f"{label!r} cannot be a column label") from None
            if known:
                raise ValueError(f"{label!r} is a column already")
            slot = self._book.add_c(_parameters.c_params(checked))
            self._added(label, checked, slot)
            self._moved()
            return slot

    def remove(self, label):
        """Removes a column (a delisting): its slot is freed, no other
        column moves."""
        with self._lock:
            slot = self._slot_of(label)
            self._book.remove(slot)
            del self._slot[label]
            self._labels[slot] = self._params[slot] = None
            self._live[slot] = False
            self._last[slot] = _seen.NONE
            self._rewarm(slot, 0)
            self._dated = bool((self._last > _seen.UNKNOWN).any())
            self._moved()

    # Rows.

    def _target(self, out, k, what="out"):
        if out is None:
            return np.empty(k, dtype=np.float32)
        if out is self._out_seen[0] and out.shape == (k,) and out.flags.writeable:
            return out  # checked whole when it came; its dtype and memory stay
        if not kinds.is_plain_array(out) or out.dtype != np.float32 or out.shape != (k,) \
                or not out.flags.c_contiguous or not out.flags.writeable:
            raise ValueError(f"{what} must be a writable float32 array of shape ({k},), not "
                             f"{getattr(out, 'dtype', type(out).__name__)} "
                             f"{getattr(out, 'shape', '')}")
        return out

    def _dense_row(self, row, out, peeking):
        """A float32/float64 ndarray of one value per slot, under the lock:
        one call, which rounds a float64 row as it reads it (an older
        library: one conversion into the output first)."""
        target = self._target(out, row.shape[0])
        lib = functions()
        seen = self._row_seen
        if seen[0] is not row and not row.flags.c_contiguous:
            row = np.ascontiguousarray(row)
        dtype = row.dtype
        doubles = dtype is _FLOAT64 or dtype != _FLOAT32
        if doubles and lib.book_update_doubles is None:
            _into_float32(target, row)
            row, doubles = target, False
        if doubles:
            call = lib.book_peek_doubles if peeking else lib.book_update_doubles
        else:
            call = lib.book_peek if peeking else lib.book_update
        extra = self._warming or (self._dated and not peeking)
        if extra:
            live = np.flatnonzero(self._live[:self._book.slots])
            taken = self._taken(row, live)
        if seen[0] is not row:
            seen = self._row_seen = (row, row.ctypes.data)
        code = call(self._address, seen[1], self._out_address(target))
        if code < 0:
            self._refused(code, _float32_row(row), None)
        if extra:
            self._after_row(live, live, target, taken, None, peeking)
        return target

    def _out_address(self, target):
        seen = self._out_seen
        if seen[0] is not target:
            seen = self._out_seen = (target, target.ctypes.data)
        return seen[1]

    def update(self, row, out=None, *, at=None):
        """Feeds one value per column (array, list, dict {column: value},
        or Series indexed by column), or a block of rows of them (2-D array
        or DataFrame), and returns the outputs in the same form. A float32
        `out` of one value per slot takes a 1-D array row's outputs (then
        nothing is allocated); a dict `out` takes a dict row's. A dict row
        feeds only the columns it names. `at` dates the row; so does a
        Series' name or a DataFrame's index: a column whose last date fed
        is at or after it is refused or skipped, as `seen` says (a Series
        row skipped whole returns None)."""
        if kinds.is_plain_array(row) and at is None:
            with self._lock:
                if row.shape == self._shape and row.dtype in _LIVE_DTYPES:
                    return self._dense_row(row, out, False)
        elif at is None and out is None and kinds.looks_like_series(row) \
                and row.name is None and row.dtype in _LIVE_DTYPES:
            # An undated row of the table's own labels: an array row.
            with self._lock:
                if row.shape == self._shape and self._slots_for(row.index) is None:
                    values = self._dense_row(row.to_numpy(), None, False)
                    return type(row)(values, index=row.index, copy=False)
        with self._lock:
            return self._rows(row, out, at, False)

    def peek(self, row, out=None):
        """The outputs the next row would get if it were `row`; nothing
        changes. peek(row) then update(row) give the same bits."""
        if kinds.is_plain_array(row):
            with self._lock:
                if row.shape == self._shape and row.dtype in _LIVE_DTYPES:
                    return self._dense_row(row, out, True)
        with self._lock:
            return self._rows(row, out, None, True)

    def _rows(self, row, out, at, peeking):
        date = _seen.as_date(at) if at is not None else None
        if isinstance(row, dict):
            return self._dict_row(row, out, date, peeking)
        if out is not None:
            raise TypeError("out= takes the outputs of a 1-D array row or a dict row")
        columnar = _columnar.read(row)
        if columnar is not None:
            return self._columnar_rows(columnar, date, peeking)
        if kinds.is_pandas_series(row):
            return self._series_row(row, date, peeking)
        if kinds.is_a(row, "pandas", "DataFrame"):
            return self._frame_rows(row, date, peeking)
        values = _samples_array(row, "row")
        width = self._book.slots
        if values.ndim not in (1, 2) or values.shape[-1] != width:
            raise ValueError(f"expected one value per column ({width}), or rows of them, "
                             f"not shape {values.shape}")
        if peeking and values.ndim != 1:
            raise ValueError("peek takes one row")
        if not width:  # nothing to run, and no row length to reshape by
            return values.tolist() if isinstance(row, list) else values
        block = values.reshape(-1, width)
        self._feed(None, block, self._keys(date, block.shape[0]), peeking, None)
        return values.tolist() if isinstance(row, list) and values.ndim == 1 else values

    def _keys(self, date, rows):
        if date is None:
            return None
        return np.full(rows, self._clock.key(date), dtype=np.int64)

    def _slots_for(self, labels):
        """The slot of each of `labels` (a pandas Index), or None when they
        are every slot in slot order."""
        if labels is self._index:
            return None
        for seen, slots in self._known:
            if labels is seen:
                return slots
        if self._index is not None and labels.equals(self._index):
            slots = None
        else:
            if not labels.is_unique:
                raise ValueError(f"the labels {list(labels)[:20]} repeat")
            try:
                slots = np.fromiter((self._slot[label] for label in labels), np.int32,
                                    len(labels))
            except (KeyError, TypeError):
                unknown = [label for label in labels if label not in self._slot][:5]
                raise ValueError(f"the labels {unknown} are not columns of these streams "
                                 f"{[c for c in self._labels if c is not None][:20]}") from None
        self._known = ((labels, slots),) + self._known[:3]
        return slots

    def _series_row(self, row, date, peeking):
        if date is None and not peeking:
            date = _pandas.row_date(row)
        slots = self._slots_for(row.index)
        values = _pandas.row_values(row)
        block = values.reshape(1, -1)
        kept = self._feed(slots, block, self._keys(date, 1), peeking, row.name)
        if kept is not None and not kept.any():
            return None
        return _pandas.series_like(block[0], row)

    def _frame_rows(self, frame, date, peeking):
        if peeking:
            raise ValueError("peek takes one row")
        keys = None
        if _pandas.dated(frame.index, "the block of rows"):
            if len(frame):
                keys = self._clock.keys(frame.index)
        else:
            keys = self._keys(date, len(frame))
        slots = self._slots_for(frame.columns)
        block = _pandas.row_values(frame).reshape(len(frame), -1)
        kept = self._feed(slots, block, keys, False, None, frame.index)
        if kept is not None:
            frame, block = frame[kept], block[kept]
        return _pandas.frame_like(block, frame)

    def _columnar_rows(self, columnar, date, peeking):
        """A pyarrow Table or polars DataFrame: rows of values, its columns
        matched to this table's by name; a pyarrow Array or polars Series:
        one row, in slot order."""
        values = _samples_array(columnar.values, "row")
        if columnar.names is None:
            if values.shape[-1] != self._book.slots:
                raise ValueError(f"expected one value per column ({self._book.slots}), not "
                                 f"shape {values.shape}")
            block = values.reshape(-1, self._book.slots)
            self._feed(None, block, self._keys(date, block.shape[0]), peeking, None)
            return columnar.back(values)
        names = [str(n) for n in columnar.names]
        mine = {str(c): s for c, s in self._slot.items()}
        if sorted(names) != sorted(mine):
            raise ValueError(f"the columns {names} are not this table's columns {sorted(mine)}")
        slots = np.array([mine[n] for n in names], dtype=np.int32)
        block = np.ascontiguousarray(values.reshape(-1, len(names)))
        self._feed(slots, block, self._keys(date, block.shape[0]), peeking, None)
        return columnar.back(block)

    def _dict_row(self, row, out, date, peeking):
        """A row given as {column: value}: only the columns it names, at
        O(len(row)). None, pd.NA and NaN alike are missing values."""
        if out is not None and not isinstance(out, dict):
            raise TypeError(f"the outputs of a dict row go into a dict, not {type(out).__name__}")
        keys = list(row)
        k = len(keys)
        if keys == self._dict_keys:
            slots = self._dict_slots
        else:
            try:
                slots = np.fromiter(map(self._slot.__getitem__, keys), np.int32, k)
            except (KeyError, TypeError):
                unknown = [key for key in keys if key not in self._slot][:5]
                raise KeyError(f"{unknown} are not columns of these streams") from None
            if k == self._book.slots and np.array_equal(slots, np.arange(k)):
                slots = None  # every slot in slot order: a dense row, one vector pass
            self._dict_keys, self._dict_slots = keys, slots
            self._dict_slots_at = 0 if slots is None else slots.ctypes.data
        if k and date is None and not self._warming and self.missing != "error" \
                and (peeking or not self._dated):
            outputs = self._plain_dict_row(slots, row, k, peeking)
            if outputs is not None:
                if out is None:
                    return _RowOutputs(self._slot, zip(keys, outputs))
                out.update(zip(keys, outputs))
                return out
        values = _dict_values(row, k)
        block = values.reshape(1, k)
        self._feed(slots, block, self._keys(date, 1), peeking, None)
        if out is None:
            return _RowOutputs(self._slot, zip(keys, block[0].tolist()))
        out.update(zip(keys, block[0].tolist()))
        return out

    def _plain_dict_row(self, slots, row, k, peeking):
        """A dict row that needs nothing but the library's call (no dates,
        no warm-up to blank, no refusal to word): its values straight into
        a float64 scratch row kept with its address, one call; the outputs
        as a list. None from a library older than rows of doubles."""
        lib = functions()
        if lib.book_update_sparse_doubles is None:
            return None
        scratch = self._dict_scratch
        if scratch is None or scratch[0] != k:
            doubles, got = np.empty(k), np.empty(k, dtype=np.float32)
            scratch = self._dict_scratch = (k, doubles, got, doubles.ctypes.data, got.ctypes.data)
        _, doubles, got, doubles_at, got_at = scratch
        doubles[:] = _dict_numbers(list(row.values()))
        if slots is None:
            call = lib.book_peek_doubles if peeking else lib.book_update_doubles
            code = call(self._address, doubles_at, got_at)
        else:
            call = lib.book_peek_sparse_doubles if peeking else lib.book_update_sparse_doubles
            code = call(self._address, self._dict_slots_at, doubles_at, k, got_at)
        if code < 0:
            self._refused(code, _float32_row(doubles), None, slots)
        return got.tolist()

    # The feeding itself, for every form of row.

    def _feed(self, slots, block, keys, peeking, name, dates=None):
        """Runs each row of `block` (float32, rows x values, outputs in
        place): dense (one value per slot) when `slots` is None, else
        value j for slot slots[j]. `keys`: each row's date key, or None.
        Returns None, or a mask of the rows not skipped whole (seen="skip")."""
        lib = functions()
        live = self._live[:self._book.slots]
        cols = np.flatnonzero(live) if slots is None else np.arange(slots.size)
        where = cols if slots is None else slots
        if slots is not None and self.missing == "error" and not peeking \
                and np.unique(slots).size < int(np.count_nonzero(live)):
            absent = [self._labels[s] for s in np.flatnonzero(live) if s not in set(slots.tolist())]
            raise ValueError(f"the row has no value for {absent[:5]}; nothing was fed (pass "
                             "missing='drop' to skip the columns without a value)")
        if block.shape[0] > 1 and self.missing == "error":
            self._check_gaps(block[:, cols], where, dates)
        self._dating = keys is not None
        fresh = None
        if keys is not None and not peeking and block.shape[0]:
            fresh = self._fresh(where, keys)
        kept = None if fresh is None else fresh.any(axis=1)
        for r in range(block.shape[0]):
            values = block[r]
            part = None if fresh is None or fresh[r].all() else fresh[r]
            use = cols if part is None else cols[part]
            taken = self._taken(values, use) if not peeking or self._warming else None
            if part is not None:
                self._feed_some(where[part], values, use, cols[~part], peeking)
            elif slots is None:
                code = (lib.book_peek if peeking else lib.book_update)(
                    self._address, values.ctypes.data, values.ctypes.data)
                if code < 0:
                    self._refused(code, values, name)
            else:
                code = (lib.book_peek_sparse if peeking else lib.book_update_sparse)(
                    self._address, slots.ctypes.data, values.ctypes.data, slots.size,
                    values.ctypes.data)
                if code < 0:
                    self._refused(code, values, name, slots)
            if self._warming or not peeking:
                self._after_row(where if part is None else where[part], use, values, taken,
                                None if keys is None else keys[r], peeking)
        return kept

    def _feed_some(self, slots, values, cols, skipped, peeking):
        """Part of a row: the columns `cols` (at `slots`), the rest NaN."""
        lib = functions()
        slots = np.ascontiguousarray(slots, dtype=np.int32)
        part = np.ascontiguousarray(values[cols])
        if part.size:
            code = (lib.book_peek_sparse if peeking else lib.book_update_sparse)(
                self._address, slots.ctypes.data, part.ctypes.data, slots.size, part.ctypes.data)
            if code < 0:
                self._refused(code, part, None, slots)
        values[cols] = part
        values[skipped] = np.nan

    def _taken(self, values, cols):
        """Which of the values at `cols` a row feeds: under missing="drop"
        a gap leaves its column as it was (no sample, no date); read before
        the call, which writes the outputs over the values."""
        if self.missing != "drop" or not (self._warming or self._dated or self._dating):
            return None
        if values.dtype == np.float64:  # what the library rounds to an infinity is a gap too
            return np.abs(values[cols]) < _FLOAT32_OVERFLOW
        return np.isfinite(values[cols])

    def _after_row(self, slots, cols, out, taken, key, peeking):
        """A fed row's warm-up blanking and dates: `slots` were fed, their
        outputs at `cols` of `out` (None: a dense row, every live slot)."""
        if slots is None:
            slots = cols = np.flatnonzero(self._live[:self._book.slots])
        if self._warming:
            waiting = self._warm[slots] > 0
            if waiting.any():
                out[cols[waiting]] = np.nan
                if not peeking:
                    counted = waiting if taken is None else waiting & taken
                    self._warm[slots[counted]] -= 1
                    self._warming = int(np.count_nonzero(self._warm))
        if peeking:
            return
        fed = slots if taken is None else slots[taken]
        if key is not None:
            self._last[fed] = key
            self._dated = True
        elif self._dated:
            known = fed[self._last[fed] > _seen.UNKNOWN]
            if known.size:
                self._last[known] = _seen.UNKNOWN
                self._dated = bool((self._last > _seen.UNKNOWN).any())

    def _fresh(self, slots, keys):
        """Per row and column, whether the row's date is after the column's
        last date; ValueError for seen="error" when one is not, or when a
        column's last date is unknown."""
        last = self._last[slots]
        unknown = last == _seen.UNKNOWN
        if unknown.any():
            label = self._labels[int(slots[np.argmax(unknown)])]
            raise ValueError(_seen.UNKNOWN_MESSAGE.format(
                who=f"column {_labels.shown(label)} ", date="its last dated one"))
        fresh = keys[:, None] > last[None, :]
        if fresh.all():
            return None
        if self.seen == "error":
            r, j = (int(i) for i in np.argwhere(~fresh)[0])
            label = self._labels[int(slots[j])]
            raise ValueError(f"the row of {self._clock.date(int(keys[r]))} is at or before "
                             f"{self._clock.date(int(last[j]))}, the last date column "
                             f"{_labels.shown(label)} was fed; nothing was fed (pass "
                             "seen='skip' to leave out bars already seen)")
        return fresh

    def _refused(self, code, values, name, slots=None):
        """A row the book refused: its own message for a missing value."""
        lib = functions()
        if code == -14:  # TSF_E_MISSING
            where = np.flatnonzero(self._live[:self._book.slots]) if slots is None \
                else np.arange(slots.size)
            self._check_gaps(values.reshape(1, -1)[:, where],
                             where if slots is None else slots, None, name)
        if code == -15 and slots is not None:  # TSF_E_SERIES
            raise ValueError("the row names one column twice")
        lib.check(code)

    def _check_gaps(self, block, slots, dates=None, name=None):
        """Refuses NaN and infinities (without a mask when there are none),
        naming the column and the row."""
        if block.size == 0 or (np.isfinite(block.min()) and np.isfinite(block.max())):
            return
        r, j = (int(i) for i in np.argwhere(_gaps.gaps(block))[0])
        where = ""
        if dates is not None:
            where = f" in row {dates[r]} (position {r})"
        elif block.shape[0] > 1:
            where = f" in row {r}"
        elif name is not None:
            where = f" in row {name}"
        label = self._labels[int(slots[j])]
        raise ValueError(f"column {_labels.shown(label)} has {_gaps.what(block[r, j])}{where}; "
                         "nothing was fed (pass missing='drop' to skip it, or 'keep' to feed it)")

    # The rest.

    def reset(self, column=_ALL):
        """Back to no samples and no last date, with the same parameters:
        every column, or the one named."""
        with self._lock:
            slots = np.flatnonzero(self._live) if column is _ALL else [self._slot_of(column)]
            for slot in slots:
                self._book.reset(int(slot))
                self._last[slot] = _seen.NONE
                self._rewarm(int(slot), 0)
            self._dated = bool((self._last > _seen.UNKNOWN).any())

    def window(self):
        """An oscillator's outputs for samples 0..99 of every slot, as
        (100, slots), for the columns that have had 100 samples (NaN for
        the others); None when none has."""
        if not _parameters.row(self.name).rms_scaled:
            return None
        lib = functions()
        with self._lock:
            out = np.full((100, self._book.slots), np.nan, dtype=np.float32)
            window = np.empty(100, dtype=np.float32)
            known = False
            for slot in np.flatnonzero(self._live[:self._book.slots]):
                state = self._book.stream(int(slot))
                if lib.check(lib.stream_window(state.ctypes.data, window.ctypes.data_as(_FLOAT_P))):
                    out[:, slot] = window
                    known = True
        return out if known else None

    @property
    def samples(self):
        """The samples the first column has consumed (rows fed, when every
        row gives it a value); samples_of counts any column."""
        with self._lock:
            live = np.flatnonzero(self._live)
            return self._book.samples(int(live[0])) if live.size else 0

    def samples_of(self, column):
        """The samples `column` has consumed: under missing="drop", only
        those it took."""
        with self._lock:
            return self._book.samples(self._slot_of(column))

    @property
    def last_date(self):
        """The latest date any column was fed, or None."""
        with self._lock:
            known = self._last[self._last > _seen.UNKNOWN]
            return self._clock.date(int(known.max())) if known.size else None

    @last_date.setter
    def last_date(self, date):
        with self._lock:
            live = self._live.copy()
            self._last[live] = _seen.NONE if date is None else self._clock.key(date)
            self._dated = date is not None and bool(live.any())

    def last_date_of(self, column):
        """The date `column` was last fed, or None (never, or not known)."""
        with self._lock:
            return self._clock.date(int(self._last[self._slot_of(column)]))

    def __getitem__(self, column):
        """A snapshot of one column's stream, as a Stream."""
        with self._lock:
            slot = self._slot_of(column)
            state = self._book.stream(slot)
            date = self._clock.date(int(self._last[slot]))
        return Stream._from_state(self.name, dict(self._params[slot]), "error", state,
                                  self.seen, date, self.warmup)

    def copy(self):
        with self._lock:
            other = Streams.__new__(Streams)
            other.__dict__.update(self.__dict__)
            other._book = self._book.copy()
            for field in ("_live", "_warm", "_last"):
                setattr(other, field, getattr(self, field).copy())
            other._labels, other._params = list(self._labels), list(self._params)
            other._slot = dict(self._slot)
            other._clock = _seen.Clock(self._clock.kind)
            other._address = other._book.address
            other._dict_scratch = None  # scratch rows are written: never shared
        other._lock = threading.RLock()  # its own: a copy is not shared with this one
        return other

    def _saved(self, labels):
        """The book, its options record and, before them, this package's
        header (seen, dates, and the labels when `labels`)."""
        with self._lock:
            data = self._book.save()
            names = self._labels
            texts = all(isinstance(n, str) for n in names if n is not None)
            data += _book.encode_options(self.warmup, names if texts and names else None) \
                if self.warmup == "nan" or (texts and names) else b""
            header = {"seen": self.seen, "clock": self._clock.kind,
                      "last": [None if k == _seen.NONE else "unknown" if k == _seen.UNKNOWN
                               else int(k) for k in self._last[:self._book.slots].tolist()]}
            if labels and not texts:
                if not all(type(n) is int or n is None for n in names):
                    raise TypeError("to_bytes keeps text or integer column labels; pickle keeps "
                                    "any")
                header["labels"] = names
        return data, header

    def to_bytes(self, *, dates=True):
        """The whole book in the library's saved-book format (it loads in
        C with tsf_book_load, and in the JavaScript package with its
        symbols and warm-up), with this package's header in front keeping
        `seen`, each column's last date and labels that are not text; pass
        dates=False for the book alone."""
        data, header = self._saved(True)
        if not dates or (header["seen"] == "error" and header["clock"] is None
                         and "labels" not in header):
            return data
        return _seen.envelope_json(header, data)

    @classmethod
    def from_bytes(cls, data, *, threads=None):
        """The book saved in `data` (by to_bytes, the JavaScript package or
        tsf_book_save), with its options; ValueError for bytes no save
        writes, the caller's object unchanged."""
        if not isinstance(data, (bytes, bytearray, memoryview)):
            raise TypeError(f"expected bytes, not {type(data).__name__}")
        return _streams_from_book(bytes(data), None, threads)

    def __reduce__(self):
        data, header = self._saved(False)
        return (_streams_from_book, (_seen.envelope_json(header, data), self.columns,
                                     self.threads))

    def __repr__(self):
        return (f"Streams({self.name!r}, {int(np.count_nonzero(self._live))} columns) after "
                f"{self.samples} rows")


class _RowOutputs(dict):
    """A dict row's outputs: the columns it named. A column it left out
    reads as NaN (`out[c]`), as it did when every row's outputs held every
    column, without the row costing one entry per column of the book."""

    __slots__ = ("_columns",)

    def __init__(self, columns, items):
        super().__init__(items)
        self._columns = columns

    def __missing__(self, key):
        if key in self._columns:
            return float("nan")
        raise KeyError(key)

    def __reduce__(self):
        return (dict, (dict(self),))


def _into_float32(target, row):
    """`row` (float64) into float32 `target`; a value beyond float32's range
    becomes an infinity (refused or dropped as a gap) without a warning.
    One dot product rules the overflow out, cheaper than a change of the
    error state around every row."""
    total = float(np.dot(row, row))
    if total <= _FLOAT32_MAX_SQUARED:
        np.copyto(target, row, casting="same_kind")
        return
    with np.errstate(over="ignore", invalid="ignore"):
        np.copyto(target, row, casting="same_kind")


def _float32_row(values):
    """`values` as the library read them: float32."""
    if values.dtype == np.float32:
        return values
    out = np.empty(values.shape, dtype=np.float32)
    _into_float32(out, values)
    return out


def _dict_numbers(values):
    """A dict row's values (a list) as NumPy takes them: int and float as
    they are; None, pd.NA and NaN as missing values (NaN); text and truth
    values refused, though NumPy would convert "71.4" and True."""
    if set(map(type, values)) <= {float, int}:
        return values
    na = _pandas.missing_markers()
    return [np.nan if value is None or any(value is m for m in na) else _real(value, "a dict row's value")
            for value in values]


def _dict_values(row, k):
    """A dict row's values as float32, a value beyond its range an
    infinity."""
    values = np.array(_dict_numbers(list(row.values())), dtype=np.float64).reshape(k)
    out = np.empty(k, dtype=np.float32)
    _into_float32(out, values)
    return out


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


def _check_labels(columns):
    try:
        unique = len(set(columns)) == len(columns)
    except TypeError:
        unique = False
    if not unique:
        raise ValueError("the column labels repeat or cannot be labels")


def _check_threads(threads):
    if threads is not None and (type(threads) is not int or threads < 1):
        raise ValueError(f"threads={threads!r} is not a positive integer or None")


def _check_pickle(columns, saved, missing, threads, seen, last_date, name):
    """What a pickled Streams of the package's versions before books
    holds, checked before anything reaches the library: a pickle comes from
    outside, and one that names only this function and plain data passes
    any allow-list of callables, so its values may be anything."""
    if type(columns) not in (list, tuple) or type(saved) not in (list, tuple):
        raise ValueError("the columns and their states must be lists")
    if len(columns) != len(saved):
        raise ValueError(f"{len(columns)} columns but {len(saved)} saved states")
    _check_labels(columns)
    if type(missing) is not str or missing not in _LANES_CHOICES:
        raise ValueError(f"missing={missing!r} is not one of {', '.join(_LANES_CHOICES)}")
    if type(seen) is not str or seen not in _seen.CHOICES:
        raise ValueError(f"seen={seen!r} is not one of {', '.join(_seen.CHOICES)}")
    _check_threads(threads)
    if name is not None and (type(name) is not str or name not in KINDS):
        raise ValueError(f"{name!r} is not a filter")
    kind = _pickled_kind(saved)
    if kind is not None and name is not None and NAMES[kind] != name:
        raise ValueError(f"the states are of {NAMES[kind]}, not {name}")
    if kind is None and name is None:
        raise ValueError("a table of no columns that does not name its filter")
    return _pandas.pickled_date(last_date), (NAMES[kind] if kind is not None else name)


def _streams_from_bytes(columns, saved, missing, threads, seen="error", last_date=None,
                        name=None):
    """A Streams pickled before books (one saved stream per column): each
    column's stream joins a new book. ValueError for anything that is not
    what those versions wrote."""
    try:
        last_date, name = _check_pickle(columns, saved, missing, threads, seen, last_date, name)
    except ValueError as exc:
        raise ValueError(f"not a pickled Streams: {exc}") from None
    loaded = [_load(data) for data in saved]
    out = Streams.__new__(Streams)
    out.name, out.missing, out.threads, out.seen, out.warmup = name, missing, threads, seen, "keep"
    out._lock = threading.RLock()
    out._start(_book.Book(name, len(columns), missing))
    for label, (state, data) in zip(columns, loaded):
        slot = out._book.add_stream(state.ctypes.data)
        out._added(label, _parameters_from_saved(data)[1], slot)
    out._moved()
    if last_date is not None:
        out.last_date = last_date
    return out


def _saved_header(header, slots, live):
    """seen, clock and per-slot last keys (and labels, if any) of a saved
    book's header, as `Streams._saved` writes them; ValueError otherwise."""
    if not isinstance(header, dict) or not {"seen", "clock", "last"} <= set(header) \
            or not set(header) <= {"seen", "clock", "last", "labels"}:
        raise ValueError("the header is not one a saved book has")
    seen, clock, last = header["seen"], header["clock"], header["last"]
    if seen not in _seen.CHOICES:
        raise ValueError(f"seen={seen!r} is not one of {', '.join(_seen.CHOICES)}")
    if clock is not None:
        clock = _pandas.saved_clock(clock)
    if type(last) is not list or len(last) != slots:
        raise ValueError("the last dates are not one per slot")
    keys = np.full(slots, _seen.NONE, dtype=np.int64)
    for s, key in enumerate(last):
        if key is None:
            continue
        if not live[s]:
            raise ValueError(f"a free slot {s} has a last date")
        if key == "unknown":
            keys[s] = _seen.UNKNOWN
        elif type(key) is int and _seen.UNKNOWN < key <= np.iinfo(np.int64).max and clock:
            keys[s] = key
        else:
            raise ValueError(f"slot {s}'s last date {key!r} is not one a saved book writes")
    labels = header.get("labels")
    if labels is not None:
        if type(labels) is not list or len(labels) != slots or any(
                (n is None) == bool(live[s]) or not (n is None or type(n) is int)
                for s, n in enumerate(labels)):
            raise ValueError("the labels are not one integer per series")
        _check_labels([n for n in labels if n is not None])
    return seen, (clock if clock else None), keys, labels


def _streams_from_book(data, labels=None, threads=None):
    """A Streams from saved bytes (Streams.from_bytes, a pickle): header,
    book and options, each checked before the object exists."""
    try:
        if type(data) is not bytes:
            raise ValueError(f"the state is a {type(data).__name__}, not bytes")
        _check_threads(threads)
        header, data = _seen.open_json_envelope(data)
        book, info, rest = _book.Book.load(data)
        if info.kind not in NAMES:
            raise ValueError(f"the book is of an unknown filter kind {info.kind}")
        live = [functions().book_samples(book.address, s) >= 0 for s in range(info.slots)]
        warmup, names = _book.decode_options(rest, live) if rest else ("keep", None)
        seen, clock, keys, numbers_ = _saved_header(header, info.slots, live) \
            if header is not None else ("error", None, np.full(info.slots, _seen.NONE), None)
        names = names or numbers_ or [s if live[s] else None for s in range(info.slots)]
        if labels is not None:
            if type(labels) is not list or len(labels) != info.slots or any(
                    (n is None) == bool(live[s]) for s, n in enumerate(labels)):
                raise ValueError("the labels are not one per series")
            _check_labels([n for n in labels if n is not None])
            names = labels
    except ValueError as exc:
        raise ValueError(f"not a saved Streams: {exc}") from None
    out = Streams.__new__(Streams)
    out.name = NAMES[info.kind]
    out.missing = _LANES_CHOICES[info.missing]
    out.seen, out.warmup, out.threads = seen, warmup, threads
    out._lock = threading.RLock()
    out._start(book)
    out._clock = _seen.Clock(clock)
    params = _book.tsf_params()
    for s in range(info.slots):
        if not live[s]:
            out._labels.append(None)
            out._params.append(None)
            continue
        functions().check(functions().book_params(book.address, s, ctypes.byref(params)))
        out._added(names[s], _parameters_from_params(out.name, params), s)
        out._rewarm(s, book.samples(s))
    out._last[:info.slots] = keys
    out._dated = bool((out._last > _seen.UNKNOWN).any())
    out._moved()
    return out
