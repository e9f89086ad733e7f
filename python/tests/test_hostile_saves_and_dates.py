"""What a hostile or careless caller hands a stream: crafted pickles and
saved bytes, and bars dated NaT. Each is a ValueError, and nothing crafted
reaches the library."""

import io
import json
import pickle
import struct

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters import stream as stream_module


class Crafted:
    """Pickles as a call of the package's own reconstructor with `args`."""

    def __init__(self, *args):
        self.args = args

    def __reduce__(self):
        return (stream_module._streams_from_bytes, self.args)


class AllowList(pickle.Unpickler):
    """An unpickler that finds only the package's reconstructors and pandas'
    own, as a careful consumer of pickles would write it."""

    def find_class(self, module, name):
        if module == "tsfilters.stream" or module.startswith("pandas"):
            return super().find_class(module, name)
        raise pickle.UnpicklingError(f"{module}.{name} is not allowed")


def unpickle(data):
    return AllowList(io.BytesIO(data)).load()


def state(name, **parameters):
    return tsfilters.Stream(name, **parameters).to_bytes(dates=False)


@pytest.fixture
def no_library(monkeypatch):
    """Fails any call that would reach the stream library."""
    def refuse():
        raise AssertionError("the stream library was called")
    monkeypatch.setattr(stream_module, "functions", refuse)


def envelope(header, state_bytes=None):
    text = header if isinstance(header, bytes) else json.dumps(header).encode()
    return b"TSFD" + struct.pack("<I", len(text)) + text + (state_bytes or state("high_pass"))


GOOD = ["a", "b"], [state("high_pass"), state("high_pass", period=9)]


def stamped():
    """A column's state in the dated envelope, which a pickle never holds."""
    stream = tsfilters.Stream("high_pass")
    stream.last_date = pd.Timestamp("2024-01-05")
    return stream.to_bytes()


@pytest.mark.parametrize("args, reason", [
    ((["a", "b", "c"], GOOD[1], "error", None), "3 columns but 2"),  # past the states
    ((["a"], GOOD[1], "error", None), "1 columns but 2"),
    ((GOOD[0], [state("high_pass"), state("super_smoother")], "error", None), "2 filter kinds"),
    ((*GOOD, "garbage", None), "missing="),
    ((*GOOD, b"error", None), "missing="),
    ((*GOOD, "error", 0), "threads="),
    ((*GOOD, "error", True), "threads="),
    ((*GOOD, "error", 2.0), "threads="),
    ((*GOOD, "error", None, "sometimes"), "seen="),
    ((*GOOD, "error", None, "error", pd.NaT), "last date"),
    ((*GOOD, "error", None, "error", "2024-01-05"), "last date"),
    ((*GOOD, "error", None, "error", None, "band_pass"), "not band_pass"),
    ((*GOOD, "error", None, "error", None, "no_such_filter"), "not a filter"),
    (("ab", GOOD[1], "error", None), "must be lists"),
    ((GOOD[0], {"a": 1, "b": 2}, "error", None), "must be lists"),
    ((["a", "a"], GOOD[1], "error", None), "repeat"),
    (([["a"], ["b"]], GOOD[1], "error", None), "repeat or cannot"),
    ((GOOD[0], ["x" * 200, "y" * 200], "error", None), "not a saved stream"),
    ((GOOD[0], [b"short", b"bytes"], "error", None), "not a saved stream"),
    ((GOOD[0], [stamped()] * 2, "error", None), "not a saved stream"),
])
def test_crafted_streams_pickles_are_refused_before_the_library(no_library, args, reason):
    data = pickle.dumps(Crafted(*args))
    with pytest.raises(ValueError, match=reason):
        unpickle(data)


@pytest.mark.parametrize("args", [(["not bytes"], "error"), (state("high_pass"), "garbage"),
                                  (state("high_pass"), "error", "sometimes"),
                                  (envelope({"timestamp": "NaT"}), "error")])
def test_crafted_stream_pickles_are_refused(args):
    class One:
        def __reduce__(self):
            return (stream_module._stream_from_bytes, args)
    with pytest.raises(ValueError):
        unpickle(pickle.dumps(One()))


def test_a_pickle_of_an_older_version_still_loads(wti):
    closes = pd.Series(wti[:40], index=pd.date_range("2024-01-01", periods=40))
    book = tsfilters.Streams("super_smoother", ["a", "b"], period=[10, 12], seen="skip")
    book.update(pd.DataFrame({"a": closes, "b": closes}).iloc[:30])
    states = []
    for period in (10, 12):  # each column's saved stream, as versions before books pickled
        column = tsfilters.Stream("super_smoother", period=period)
        column.update(closes.to_numpy()[:30])
        states.append(column.to_bytes(dates=False))
    older = Crafted(["a", "b"], states, "error", None, "skip", closes.index[29])
    again = unpickle(pickle.dumps(older))
    assert (again.name, again.parameters, again.seen) == (book.name, book.parameters, "skip")
    assert again.last_date == closes.index[29]
    assert same_bits(again.update(np.array([70.0, 71.0])), book.update(np.array([70.0, 71.0])))
    empty = unpickle(pickle.dumps(tsfilters.Streams("laguerre_filter", 0)))
    assert empty.name == "laguerre_filter" and empty.update(np.empty(0)).size == 0


@pytest.mark.parametrize("header", [
    {"timestamp": "NaT"}, {"timestamp": float("nan")}, {"timestamp": "now"},
    {"timestamp": "today"}, {"timestamp": 1704412800000000000}, {"timestamp": "9999-12-31"},
    {"timestamp": "2024-01-05"},  # a date to_bytes writes with its time
    {"timestamp": None}, {"timestamp": ["2024-01-05T00:00:00"]},
    {"period": "NaT", "freq": "D"}, {"period": "2024-01-05", "freq": "M"},
    {"period": "2024-01", "freq": "nonsense"}, {"period": "2024-01"},
    {"timestamp": "2024-01-05T00:00:00", "extra": "x"}, ["2024-01-05T00:00:00"], "2024",
    pytest.param(b"[" * 100_000 + b"]" * 100_000, id="nested-arrays"),
    b"{\"timestamp\": \"2024-01-05T00:00:00\"", b"\xff\xfe",
])
def test_crafted_date_headers_are_refused(header):
    with pytest.raises(ValueError, match="date header"):
        tsfilters.Stream.from_bytes(envelope(header))


@pytest.mark.parametrize("date", [
    pd.Timestamp("2024-01-05"), pd.Timestamp("2024-01-05 09:30:00.000000001"),
    pd.Timestamp("2024-01-05 09:30", tz="UTC"), pd.Period("2024-01", freq="M"),
    pd.Period("2024-01-05 10:00", freq="h" if pd.__version__ >= "2.2" else "H"),
])
def test_dates_as_saved_come_back(date):
    stream = tsfilters.Stream("high_pass")
    stream.last_date = date
    assert tsfilters.Stream.from_bytes(stream.to_bytes()).last_date == date


def test_a_header_too_long_to_be_a_date_is_refused_unread():
    data = b"TSFD" + struct.pack("<I", 2**32 - 1) + b"{}"
    with pytest.raises(ValueError, match="not one a stream writes"):
        tsfilters.Stream.from_bytes(data)


def dated(dates, values=None):
    index = pd.DatetimeIndex(dates)
    return pd.Series(values if values is not None else np.arange(len(index)) + 50.0, index=index)


@pytest.mark.parametrize("dates", [[pd.NaT], ["2024-01-01", pd.NaT], [pd.NaT, "2024-01-01"],
                                   ["2024-01-01", pd.NaT, "2024-01-03"]])
def test_a_series_indexed_by_nat_is_refused_whole(dates):
    stream = tsfilters.Stream("super_smoother", seen="skip")
    with pytest.raises(ValueError, match=f"NaT for a date at position {dates.index(pd.NaT)}"):
        stream.update(dated(dates))
    assert stream.samples == 0 and stream.last_date is None
    periods = pd.Series([1.0, 2.0], index=pd.PeriodIndex(["2024-01", None], freq="M"))
    with pytest.raises(ValueError, match="NaT for a date at position 1"):
        stream.update(periods)


@pytest.mark.parametrize("nat", [pd.NaT, np.datetime64("NaT")])
def test_a_row_named_nat_neither_feeds_nor_moves_the_last_date(nat):
    book = tsfilters.Streams("high_pass", ["a", "b"], period=10)
    book.update(pd.Series([70.0, 2.5], index=["a", "b"], name=pd.Timestamp("2024-01-05")))
    with pytest.raises(ValueError, match="named NaT"):
        book.update(pd.Series([71.0, 2.6], index=["a", "b"], name=nat))
    assert book.last_date == pd.Timestamp("2024-01-05") and book.samples == 1
    with pytest.raises(ValueError, match="at or before"):  # still the last date fed
        book.update(pd.Series([72.0, 2.7], index=["a", "b"], name=pd.Timestamp("2024-01-01")))
    block = pd.DataFrame({"a": [1.0, 2.0], "b": [3.0, 4.0]},
                         index=pd.DatetimeIndex(["2024-01-06", pd.NaT]))
    with pytest.raises(ValueError, match="NaT for a date at position 1"):
        book.update(block)
    assert book.samples == 1


def test_a_column_list_changed_by_the_caller_cannot_send_the_lanes_past_the_states():
    book = tsfilters.Streams("ultimate_smoother", ["a", "b", "c"], period=10)
    book.update(np.array([1.0, 2.0, 3.0]))
    book.columns.append("d")  # a public list: nothing stops a caller
    for call in (book.update, book.peek):
        with pytest.raises(ValueError):
            call(np.array([1.0, 2.0, 3.0, 4.0]))
    assert book.samples == 1


def test_options_that_only_compare_equal_are_stored_as_the_text():
    class Liar:
        def __eq__(self, other):
            return True
        __hash__ = object.__hash__

    stream = tsfilters.Stream("high_pass", missing=Liar(), seen=Liar())
    assert (stream.missing, stream.seen) == ("error", "error")
    assert type(stream.missing) is str and type(stream.seen) is str
