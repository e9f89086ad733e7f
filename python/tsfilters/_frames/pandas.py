"""pandas objects in and out of the functions and a live stream, and a
pandas long table read.

A Series or DataFrame given to a function is read into float32 arrays (in
time order when its index dates it, with its labels for messages) for the
NumPy core (`arrays`), and the result put back in the same type.
A Series fed to a `Stream`, a Series row or a DataFrame block fed to
`Streams`: what their index says about time is checked here (forward, no
missing dates, no dates left as text), their values read as the float32
samples the library takes, and the outputs put back in a Series or
DataFrame shaped like what came in. The dates a stream keeps (a pickled
last date, a saved book's clock) are pandas' too. A long table for
`per_symbol` (or a Dask partition) is read into `long_table.Long` at the
end. The fronts decide which of these an object is (through `kinds`) and
keep their locks and dates; this module holds what only pandas objects
need, so that each check is written once.
"""

import copy
import sys

import numpy as np

from . import gaps as _gaps
from . import kinds
from . import labels as _labels
from . import long_columns as _columns
from . import long_table as _long
from . import seen as _seen
from .arrays import _as_float32, check_length, run_series, samples_array
from .label_text import are_date_texts, shown
from .not_prices import _TEXT, _TRUTH, _what


def loaded_pandas():
    """pandas if something has imported it, else None: a Series or DataFrame
    cannot exist before that, and importing it here would add its import
    time (longer than the rest of the package's) to `import tsfilters`."""
    return sys.modules.get("pandas")


def is_pandas(x):
    """Whether `x` is a Series or a DataFrame (this module's to read)."""
    return kinds.is_a(x, "pandas", "Series", "DataFrame")


# ---- what a pandas object's columns and labels say before it is filtered:
# a column of dates or durations (as `reset_index()` of a price series
# leaves) would be filtered as nanosecond counts, a column of text or truth
# values as if it held prices, and an index of date texts sorts by its
# characters, not by time.

def is_datetime_like(dtype):
    """Dates, durations and periods: not prices, though NumPy would turn
    them into numbers."""
    return (getattr(dtype, "kind", "") in "mM" or kinds.is_a(dtype, "pandas", "DatetimeTZDtype", "PeriodDtype"))


def refuse_datetime_columns(obj):
    """TypeError naming the first column (or the Series) of dates,
    durations or periods."""
    if kinds.is_a(obj, "pandas", "Series"):
        if is_datetime_like(obj.dtype):
            name = f"the Series {obj.name!r}" if obj.name is not None else "the Series"
            raise TypeError(f"{name} holds {obj.dtype} values, not prices")
        return
    for label, dtype in obj.dtypes.items():
        if is_datetime_like(dtype):
            raise TypeError(f"column {label!r} holds {dtype} values, not prices; select the "
                            "price columns (or set the dates as the index)")



def _dtype_error(dtype):
    """What is wrong with a pandas column of `dtype`, or None."""
    types = sys.modules["pandas"].api.types
    if dtype == object:
        return None  # decided by its values
    if types.is_bool_dtype(dtype):
        return f"truth values ({dtype})"
    if types.is_string_dtype(dtype):
        return f"text ({dtype})"
    return None


def check_not_prices(obj):
    """TypeError naming the first column (or the Series) of text or truth
    values; `obj` is a Series or a DataFrame. Only the dtypes are looked at,
    but for object columns, so a wide numeric table costs nothing here."""
    is_series = kinds.is_a(obj, "pandas", "Series")
    if is_series:
        dtypes = [(None, obj.dtype)]
    else:
        dtypes = list(obj.dtypes.items())
    for j, (label, dtype) in enumerate(dtypes):
        problem = _dtype_error(dtype)
        if problem is None and dtype == object:
            column = obj if is_series else obj.iloc[:, j]
            for value in column.array:
                if isinstance(value, _TEXT + _TRUTH):
                    problem = f"{_what(value)} such as {value!r}"
                    break
        if problem is not None:
            if not is_series:
                where = f"column {label!r}"
            else:
                where = "the Series" if obj.name is None else f"the Series {obj.name!r}"
            raise TypeError(f"{where} holds {problem}, not real numbers (prices)")


def is_date_text(label):
    """Whether a row's name is a text that reads as a date: a frame read
    without parse_dates, whose rows the seen check would not know as dated."""
    return isinstance(label, str) and are_date_texts([label])


def refuse_date_texts(index, what):
    """An index of date texts would sort by characters, not by time, and
    pass the seen check as undated: refused as sort=True refuses it."""
    if _labels.looks_like_date_texts(index):
        raise ValueError(f"{what} is indexed by dates as text (e.g. {index[0]!r}), which a "
                         "stream cannot place in time; parse them first, e.g. "
                         "x.index = pd.to_datetime(x.index) or read_csv(..., parse_dates=...)")


# ---- the functions: a Series or DataFrame through the NumPy core and back

def _pandas_values(obj):
    refuse_datetime_columns(obj)
    check_not_prices(obj)
    values = getattr(obj, "values", None)
    if kinds.is_array(values) and values.dtype.kind in "iuf":
        return values  # plain NumPy data: no copy, no NaN fill
    try:
        # na_value turns pandas' missing markers (pd.NA, None) into NaN.
        return obj.to_numpy(dtype=np.float64, na_value=np.nan)
    except (TypeError, ValueError) as exc:
        raise TypeError(f"x must hold real numbers: {exc}") from None


def series_input(x, sort):
    """(float32 values, time-order permutation or None, labels or None) of
    a Series or DataFrame, as the functions read it."""
    values = _as_float32(_pandas_values(x))
    check_length(values.shape[0])
    permutation = _labels.time_order(x.index, sort)
    # Positions say all there is to say about a default 0..n-1 index.
    labels = x.index if not kinds.is_a(x.index, "pandas", "RangeIndex") else None
    return values, permutation, labels


def apply(x, call, missing="error", sort=False, wide=None, warmup=0):
    """`arrays.run_series` over the Series or DataFrame `x`, run in time
    order when its index dates it, and returned as a Series or DataFrame
    with the index, name or columns and attrs of `x`."""
    _gaps.check_choice(missing)
    values, permutation, labels = series_input(x, sort)
    names = x.columns if values.ndim == 2 else None
    result = run_series(values, call, missing, permutation, labels, names, wide, warmup)
    _pd = loaded_pandas()
    if values.ndim == 1:
        # The result is ours alone: no copy (pandas 3 copies arrays by default).
        out = _pd.Series(result, index=x.index, name=x.name, copy=False)
    else:
        out = _pd.DataFrame(result, index=x.index, columns=x.columns, copy=False)
    # What the caller recorded about the data (a unit, a source) holds for
    # the filtered values too, as pandas' own operations carry it; a copy,
    # so that neither object's attrs change the other's.
    out.attrs = copy.deepcopy(x.attrs)
    return out


def check_time_order(index, what):
    """Refuses a chunk whose datetime index does not run strictly forward:
    a stream cannot reorder what it has been fed."""
    if not _seen.is_dated(index):
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


def dated(index, what):
    """Whether a chunk's index dates its rows (then it must run forward); an
    undated one must not hold dates as text, which no stream can place."""
    if _seen.is_dated(index):
        check_time_order(index, what)
        return True
    refuse_date_texts(index, what)
    return False


def series_values(series, what):
    """A Series' values as a float32 array for the library (a copy: the
    library writes the outputs over it)."""
    refuse_datetime_columns(series)
    check_not_prices(series)
    return samples_array(series.to_numpy(dtype=np.float64, na_value=np.nan), what)


def read_series(series, what):
    """A Series fed to one stream: its samples, and whether its index dates them."""
    is_dated = dated(series.index, what)
    return series_values(series, what), is_dated


def row_values(obj):
    """A Series row's or a DataFrame block's values as float32 samples."""
    refuse_datetime_columns(obj)
    check_not_prices(obj)
    values = obj.to_numpy()
    if values.dtype.kind not in "biuf":  # missing markers (pd.NA, None) become NaN
        try:
            values = obj.to_numpy(dtype=np.float64, na_value=np.nan)
        except (TypeError, ValueError) as exc:
            raise TypeError(f"row must hold real numbers: {exc}") from None
    return samples_array(values, "row")


def row_date(row):
    """The date a Series row's name gives it, or None when it has none."""
    if is_date_text(row.name):
        raise ValueError(f"the row is named by a date as text ({row.name!r}), which a "
                         "stream cannot place in time; parse the frame's index first "
                         "(pd.to_datetime, or read_csv(..., parse_dates=...))")
    return _seen.date_of(row.name)


def series_like(values, like):
    """Outputs as a Series with the index and name of `like`."""
    return loaded_pandas().Series(values, index=like.index, name=like.name)


def frame_like(block, like):
    """Outputs as a DataFrame with the index and columns of `like`."""
    return loaded_pandas().DataFrame(block, index=like.index, columns=like.columns)


def index_of(date):
    """One date as an index, for the checks that take a chunk's."""
    return loaded_pandas().Index([date])


def labels_index(labels):
    """Column labels as an Index, for a Series row to be matched against at
    once; None while nothing has imported pandas (no Series can come)."""
    pd = loaded_pandas()
    return None if pd is None else pd.Index(labels)


def missing_markers():
    """pandas' missing values (pd.NA, pd.NaT), which a dict row may hold."""
    pd = loaded_pandas()
    return () if pd is None else (pd.NA, pd.NaT)


def pickled_date(last_date):
    """A pickle's last date, if it is one a stream keeps: a Timestamp or a
    Period (as pandas pickles them), never NaT, which would let every bar
    through."""
    if last_date is None:
        return None
    # NaT is neither a Timestamp nor a Period.
    if not kinds.is_a(last_date, "pandas", "Timestamp", "Period"):
        raise ValueError(f"the last date {last_date!r} is not a pandas Timestamp or Period")
    return last_date


def saved_clock(clock):
    """A saved book's clock (["timestamp", zone or None] or ["period",
    frequency]) as a tuple, once pandas reads it back as it was written;
    ValueError for anything else."""
    pd = loaded_pandas() or __import__("pandas")
    if type(clock) is not list or len(clock) != 2 or clock[0] not in ("timestamp", "period") \
            or not (clock[1] is None or type(clock[1]) is str) \
            or (clock[0] == "period" and clock[1] is None):
        raise ValueError(f"the clock {clock!r} is not one a saved book has")
    try:
        if clock[0] == "period":
            written = pd.Period(ordinal=0, freq=clock[1]).freqstr
        else:
            written = clock[1] and str(pd.Timestamp(0, tz=clock[1]).tz)
    except (ValueError, TypeError, KeyError, AttributeError) as exc:
        raise ValueError(f"the clock {clock!r} is not readable: {exc}") from None
    if written != clock[1]:
        raise ValueError(f"the clock {clock!r} is not one a saved book writes")
    return tuple(clock)


# ---- long tables: the symbol columns as integer codes, the time column as
# int64 in time order, the prices as float32 (long_table sorts and checks).
# Symbols are coded by hashing, never by ranking: their order does not
# matter, only which rows share one. Time stamps are used as the integers
# they are stored as (UTC for stamps with a time zone), so a table of dates
# is never sorted as text or as Python objects.

def _pandas_key(column):
    pd = sys.modules["pandas"]
    if kinds.is_a(column.dtype, "pandas", "CategoricalDtype"):
        return column.cat.codes.to_numpy().astype(np.int64)
    return pd.factorize(column)[0].astype(np.int64, copy=False)


def _pandas_time(column, time):
    """(stamps, undated or None, clock) of a pandas time column."""
    pd = sys.modules["pandas"]
    dtype = column.dtype
    if kinds.is_a(dtype, "pandas", "DatetimeTZDtype"):
        return _long.time_codes(column.dt.tz_convert("UTC").dt.tz_localize(None).to_numpy()) \
            + (False,)
    if kinds.is_a(dtype, "pandas", "PeriodDtype"):
        undated = column.isna().to_numpy()
        return column.array.asi8.astype(np.int64), (undated if undated.any() else None), False
    if kinds.is_a(dtype, "pandas", "api.extensions.ExtensionDtype") and dtype.kind in "iuf":
        undated = column.isna().to_numpy()
        if dtype.kind == "f":
            plain = column.to_numpy(dtype=np.float64, na_value=np.nan)
        else:
            plain = column.fillna(0).to_numpy(dtype=np.int64)
        stamps, _ = _long.time_codes(plain)
        return stamps, (undated if undated.any() else None), False
    codes = _long.time_codes(column.to_numpy()) if dtype.kind in "mMiubf" else None
    if codes is not None:
        return codes + (dtype.kind == "M",)
    _long.refuse_date_texts(list(column.iloc[:20]), time)
    stamps = pd.factorize(column, sort=True)[0].astype(np.int64, copy=False)
    undated = stamps < 0
    return stamps, (undated if undated.any() else None), False


def read_long_table(frame, value, by, time):
    """A pandas long table as `_long.Long`."""
    names = _columns.key_names(by)
    keys = [frame[name] for name in names]
    codes = [_pandas_key(column) for column in keys]
    stamps, undated, clock = _pandas_time(frame[time], time)
    table = _long.Long(
        _long.combine_keys(codes), stamps, undated,
        _as_float32(_pandas_values(frame[value])),
        symbol=lambda row: _columns.symbol_of(keys, row, lambda column, r: column.iloc[r]),
        stamp=lambda row: frame[time].iloc[row],
        where=lambda row: f"row label {shown(frame.index[row])}", clock=clock)
    table.missing_key = _columns.first_missing([c < 0 for c in codes])
    return table
