"""Dates in one place: each column's own last date, re-sends refused or
skipped per seen=, undated samples after dated ones, dropped bars, text
dates and at=."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters

DATES = pd.date_range("2024-01-01", periods=30)


def frame(rows=30):
    values = 100 + np.cumsum(np.random.default_rng(2).standard_normal((rows, 2)), axis=0)
    return pd.DataFrame(values, index=DATES[:rows], columns=["a", "b"])


def test_a_resend_after_float_ticks_is_refused_not_fed_twice():
    closes = frame()["a"]
    stream = tsfilters.Stream("super_smoother", seen="skip")
    stream.update(closes.iloc[:10])
    for x in closes.iloc[10:20]:
        stream.update(float(x))  # undated ticks: the last date is no longer known
    with pytest.raises(ValueError, match="unknown"):
        stream.update(closes.iloc[10:20])
    assert stream.samples == 20
    dated = tsfilters.Stream("super_smoother", seen="skip")
    dated.update(closes.iloc[:10])
    for date, x in closes.iloc[10:20].items():
        dated.update(float(x), at=date)  # dated ticks keep it
    assert np.isnan(dated.update(closes.iloc[10:20])).all() and dated.samples == 20
    assert dated.last_date == DATES[19]
    strict = tsfilters.Stream("high_pass")
    strict.update(1.0, at=DATES[3])
    with pytest.raises(ValueError, match="at or before"):
        strict.update(2.0, at=DATES[3])
    assert strict.samples == 1


def test_a_dropped_bar_is_not_seen_and_its_correction_is_fed():
    closes = frame()["a"]
    gappy = closes.iloc[:10].copy()
    gappy.iloc[-1] = np.nan
    stream = tsfilters.Stream("ultimate_smoother", missing="drop", seen="skip")
    stream.update(gappy)
    assert stream.last_date == DATES[8]
    corrected = stream.update(closes.iloc[9:12])
    clean = tsfilters.Stream("ultimate_smoother")
    clean.update(closes.iloc[:12])
    assert stream.to_bytes(dates=False) == clean.to_bytes(dates=False)
    assert not np.isnan(corrected).any()
    book = tsfilters.Streams("ultimate_smoother", ["a", "b"], missing="drop", seen="skip")
    table = frame()
    book.update(table.iloc[:9])
    book.update(pd.Series({"a": table["a"].iloc[9], "b": None}, name=DATES[9]))
    assert book.last_date_of("a") == DATES[9] and book.last_date_of("b") == DATES[8]
    again = book.update(table.iloc[9:11])  # b's bar of the 10th is fed, a's skipped
    assert np.isnan(again["a"].iloc[0]) and not np.isnan(again["b"]).any()
    assert book.samples_of("a") == book.samples_of("b") == 11


def test_each_column_keeps_its_own_last_date():
    table = frame()
    book = tsfilters.Streams("high_pass", ["a", "b"], seen="error", missing="drop")
    book.update({"a": 70.0}, at=DATES[5])
    book.update({"b": 2.0}, at=DATES[2])
    book.update({"b": 2.1}, at=DATES[4])  # b is behind a: still new for b
    with pytest.raises(ValueError, match="column 'a'"):
        book.update(table.iloc[5:6])
    assert book.samples_of("a") == 1 and book.samples_of("b") == 2
    book.update(np.array([71.0, 2.2]))  # undated: both unknown from here
    with pytest.raises(ValueError, match="unknown"):
        book.update(table.iloc[20:21])
    saved = tsfilters.Streams.from_bytes(book.to_bytes())
    with pytest.raises(ValueError, match="unknown"):
        saved.update(table.iloc[20:21])


@pytest.mark.parametrize("make", [
    lambda: tsfilters.Stream("high_pass", seen="skip"),
    lambda: tsfilters.Streams("high_pass", ["a", "b"], seen="skip"),
])
def test_dates_as_text_are_refused_as_sort_refuses_them(make):
    table = frame(5)
    text = table.set_axis(table.index.strftime("%Y-%m-%d"))
    live = make()
    with pytest.raises(ValueError, match="as text"):
        live.update(text["a"] if isinstance(live, tsfilters.Stream) else text)
    if isinstance(live, tsfilters.Streams):
        with pytest.raises(ValueError, match="as text"):
            live.update(text.iloc[0])
    assert live.samples == 0


def test_dated_rows_and_blocks_agree_with_undated_ones_and_nat_is_refused():
    table = frame()
    dated = tsfilters.Streams("laguerre_filter", ["a", "b"], seen="skip")
    plain = tsfilters.Streams("laguerre_filter", ["a", "b"])
    out = [dated.update(table.iloc[r]) for r in range(15)] + [dated.update(table.iloc[10:])]
    assert dated.update(table.iloc[3]) is None  # a whole row already seen
    expected = plain.update(table.to_numpy())
    assert out[15].index[0] == DATES[15]  # the rows already seen are left out
    got = np.vstack([o.to_numpy() for o in out[:15]] + [out[15].to_numpy()])
    assert same_bits(got, expected)
    with pytest.raises(ValueError, match="NaT"):
        dated.update({"a": 1.0}, at=pd.NaT)
    with pytest.raises(ValueError, match="cannot compare"):
        dated.update({"a": 1.0, "b": 2.0}, at=pd.Period("2030-01", freq="M"))
    assert dated.samples == 30
