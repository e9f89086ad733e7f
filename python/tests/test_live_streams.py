"""What a live book meets: a bad tick, a symbol with no tick this bar, a
feed that sends its last bars again, a stream that needs starting over.
Each answer is checked against a stream fed the clean series."""

import pickle

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters

BIG = 1e39  # a finite float64 that rounds to infinity in float32


@pytest.fixture(scope="module")
def table(wti):
    return np.ascontiguousarray(np.stack([wti[:300], wti[300:600], wti[600:900]], axis=1))


@pytest.mark.parametrize("name", ["super_smoother", "laguerre_oscillator", "cybernetic_oscillator"])
def test_a_dropped_value_leaves_its_column_as_if_it_never_came(table, name):
    bad = table.copy()
    holes = {0: [150], 1: [20, 21, 250], 2: []}
    for column, rows in holes.items():
        bad[rows, column] = np.nan
    streams = tsfilters.Streams(name, ["a", "b", "c"], missing="drop")
    out = np.concatenate([streams.update(bad[:100]), streams.update(bad[100:])])
    for column, rows in holes.items():
        clean = tsfilters.Stream(name).update(np.delete(table[:, column], rows))
        assert np.isnan(out[rows, column]).all()
        assert same_bits(np.delete(out[:, column], rows), clean)


def test_values_that_round_to_infinity_are_missing_everywhere(table):
    one = tsfilters.Stream("high_pass", missing="drop")
    fed = one.update(table[:10, 0])
    assert np.isnan(one.update(BIG)) and np.isnan(one.peek(-BIG))
    assert one.samples == 10
    with pytest.raises(ValueError, match="infinite"):
        tsfilters.Stream("high_pass").update(-BIG)
    streams = tsfilters.Streams("high_pass", 3, missing="drop")
    row = streams.update([1.0, BIG, 2.0])
    assert np.isnan(row[1]) and not np.isnan(row[0])
    with pytest.raises(ValueError, match="infinite"):
        tsfilters.Streams("high_pass", 3).update([1.0, BIG, 2.0])
    assert fed.size == 10


def test_dict_rows_name_their_columns_and_an_absent_one_is_missing(table):
    streams = tsfilters.Streams("ultimate_smoother", ["a", "b"], missing="drop")
    a, b = table[:50, 0], table[:50, 1]
    outs = [streams.update({"b": float(b[t]), "a": float(a[t])} if t % 7 else {"a": float(a[t])})
            for t in range(50)]
    fed_b = [t for t in range(50) if t % 7]
    assert same_bits([o["a"] for o in outs], tsfilters.Stream("ultimate_smoother").update(a))
    assert same_bits([outs[t]["b"] for t in fed_b],
                     tsfilters.Stream("ultimate_smoother").update(b[fed_b]))
    strict = tsfilters.Streams("ultimate_smoother", ["a", "b"])
    with pytest.raises(ValueError, match=r"no value for \['b'\]"):
        strict.update({"a": 1.0})
    with pytest.raises(KeyError, match="not columns"):
        strict.update({"a": 1.0, "b": 2.0, "zz": 3.0})
    assert strict.samples == 0


def test_reset_is_a_fresh_start_with_the_same_parameters(table):
    stream = tsfilters.Stream("laguerre_filter", gamma=0.6, period=15, missing="keep")
    stream.update(table[:120, 0])
    stream.update(np.nan)  # poisoned for good...
    stream.reset()         # ...until reset
    fresh = tsfilters.Stream("laguerre_filter", gamma=0.6, period=15)
    assert stream.to_bytes() == fresh.to_bytes()
    assert same_bits(stream.update(table[:, 0]), fresh.update(table[:, 0]))
    streams = tsfilters.Streams("band_pass", ["x", "y"], high_pass_period=[30, 40], smooth_period=8)
    streams.update(table[:40, :2])
    streams.reset()
    again = tsfilters.Streams("band_pass", ["x", "y"], high_pass_period=[30, 40], smooth_period=8)
    assert streams.samples == 0
    assert same_bits(streams.update(table[:, :2]), again.update(table[:, :2]))


@pytest.fixture(scope="module")
def closes(wti):
    return pd.Series(wti[:200], index=pd.date_range("2024-01-01", periods=200), name="close")


def test_bars_sent_again_are_refused_or_skipped(closes):
    whole = tsfilters.Stream("laguerre_filter").update(closes)
    strict = tsfilters.Stream("laguerre_filter")
    strict.update(closes.iloc[:100])
    with pytest.raises(ValueError, match="2024-02-20.*at or before 2024-04-09"):
        strict.update(closes.iloc[50:120])
    assert strict.samples == 100  # nothing of the refused chunk was fed
    lenient = tsfilters.Stream("laguerre_filter", seen="skip")
    first = lenient.update(closes.iloc[:100])
    second = lenient.update(closes.iloc[50:120])
    assert list(second.index) == list(closes.index[100:120])
    assert lenient.update(closes.iloc[90:100]).empty
    rest = lenient.update(closes.iloc[120:])
    assert same_bits(pd.concat([first, second, rest]), whole)


def test_the_last_date_survives_pickle_and_saved_bytes(closes):
    stream = tsfilters.Stream("super_smoother", period=10)
    stream.update(closes.iloc[:100])
    for copy in (pickle.loads(pickle.dumps(stream)), tsfilters.Stream.from_bytes(stream.to_bytes()),
                 stream.copy()):
        assert copy.last_date == closes.index[99]
        with pytest.raises(ValueError, match="at or before"):
            copy.update(closes.iloc[99:101])
    bare = tsfilters.Stream.from_bytes(stream.to_bytes(dates=False))
    assert bare.last_date is None and bare.to_bytes() == stream.to_bytes(dates=False)
    with pytest.raises(ValueError, match="date header"):
        tsfilters.Stream.from_bytes(stream.to_bytes()[:10])


def test_streams_rows_named_by_old_dates(closes):
    frame = pd.DataFrame({"a": closes, "b": closes * 2})
    streams = tsfilters.Streams("high_pass", ["a", "b"], period=10)
    streams.update(frame.iloc[:20])
    with pytest.raises(ValueError, match="at or before"):
        streams.update(frame.iloc[19])  # a Series row named by its date
    assert streams.samples == 20
    skipping = tsfilters.Streams("high_pass", ["a", "b"], period=10, seen="skip")
    skipping.update(frame.iloc[:20])
    assert skipping.update(frame.iloc[10]) is None
    assert len(skipping.update(frame.iloc[15:25])) == 5
    assert pickle.loads(pickle.dumps(skipping)).last_date == frame.index[24]
    assert same_bits(skipping.update(frame.iloc[25:]).to_numpy(),
                     tsfilters.high_pass(frame, period=10).to_numpy()[25:])
