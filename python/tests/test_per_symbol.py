"""`per_symbol` on long tables in any row order: each symbol in time order
with the bits of a call on it alone, the rows it cannot place refused, the
caller's frame untouched, pandas and Polars alike."""

import warnings

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters


def polars():
    return pytest.importorskip("polars", reason="polars comes with the PyPI test environment")


def as_kind(frame, kind):
    return polars().from_pandas(frame) if kind == "polars" else frame


def values(out):
    return out.to_numpy() if isinstance(out, pd.Series) else out.to_numpy()


@pytest.fixture(scope="module")
def shuffled(wti):
    """Four symbols of different lengths and scales, rows shuffled, an index
    that is not 0..n-1; and each symbol's closes oldest first."""
    rng = np.random.default_rng(11)
    pieces = {"A": wti[:500], "B": wti[900:1150] * 2, "C": wti[2000:2090], "D": wti[3000:3400]}
    parts = [pd.DataFrame({"symbol": s, "date": pd.date_range("2010-01-04", periods=v.size),
                           "close": v.astype(np.float64)}) for s, v in pieces.items()]
    frame = pd.concat(parts).iloc[rng.permutation(sum(v.size for v in pieces.values()))]
    return frame.set_axis(np.arange(len(frame)) * 7 + 3), pieces


def by_hand(frame, pieces, name, **keywords):
    """Each row's output from its symbol's closes alone, through NumPy."""
    out = np.full(len(frame), np.nan, np.float32)
    for symbol, closes in pieces.items():
        rows = np.flatnonzero(frame["symbol"].to_numpy() == symbol)
        day = (frame["date"].to_numpy()[rows] - np.datetime64("2010-01-04")) // np.timedelta64(1, "D")
        out[rows] = tsfilters.FILTERS[name][0](closes, **keywords)[day]
    return out


@pytest.mark.parametrize("kind", ["pandas", "polars"])
@pytest.mark.parametrize("name, parameters", [
    ("super_smoother", {"period": 10}), ("laguerre_filter", {}),
    ("cybernetic_oscillator", {"high_pass_period": 30, "smooth_period": 8})])
def test_each_symbol_runs_alone_in_time_order(shuffled, kind, name, parameters):
    frame, pieces = shuffled
    before = frame.copy()
    given = as_kind(frame, kind)
    out = tsfilters.per_symbol(given, name, **parameters)
    defaults = {**tsfilters._engine.filter_table.FILTER_TABLE[name].defaults, **parameters}
    assert same_bits(values(out), by_hand(frame, pieces, name, **defaults))
    assert out.name == name and len(out) == len(frame)
    if kind == "pandas":
        assert out.index.equals(frame.index) and out.dtype == np.float32
    else:
        assert out.dtype == polars().Float32
        assert np.array_equal(out.is_null().to_numpy(), np.isnan(values(out)))
    pd.testing.assert_frame_equal(frame, before)


def test_the_grouped_transform_it_replaces_is_wrong_on_a_shuffled_table(shuffled):
    frame, pieces = shuffled
    naive = frame.groupby("symbol")["close"].transform(
        lambda s: tsfilters.super_smoother(s.to_numpy(), 10))
    right = tsfilters.per_symbol(frame, "super_smoother", period=10)
    assert np.mean(naive.to_numpy(np.float32) != right.to_numpy()) > 0.95


@pytest.mark.parametrize("kind", ["pandas", "polars"])
def test_missing_and_warmup_act_inside_each_symbol(shuffled, kind):
    frame, pieces = shuffled
    frame = frame.copy()
    b = frame.index[(frame["symbol"] == "B").to_numpy()]
    gap_row = b[frame.loc[b, "date"].argsort().to_numpy()[40]]
    frame.loc[gap_row, "close"] = np.nan
    pieces = {**pieces, "B": pieces["B"].astype(np.float64)}
    pieces["B"][40] = np.nan
    for missing in ("drop", "previous"):
        out = tsfilters.per_symbol(as_kind(frame, kind), "ultimate_smoother", missing=missing)
        assert same_bits(values(out), by_hand(frame, pieces, "ultimate_smoother", period=20,
                                              missing=missing))
    with pytest.raises(ValueError, match=r"symbol 'B' has a missing value .* in column 'close' "
                                         r"at date 2010-02-13"):
        tsfilters.per_symbol(as_kind(frame, kind), "ultimate_smoother")
    blank = tsfilters.per_symbol(as_kind(frame, kind), "high_pass", missing="drop", warmup="nan")
    assert same_bits(values(blank), by_hand(frame, pieces, "high_pass", period=20,
                                            missing="drop", warmup="nan"))


@pytest.mark.parametrize("kind", ["pandas", "polars"])
def test_rows_that_belong_to_no_series_are_refused(kind):
    frame = pd.DataFrame({"symbol": ["X", "X", "Y", "Y"],
                          "date": pd.to_datetime(["2024-01-02", "2024-01-03"] * 2),
                          "close": [1.0, 2.0, 3.0, 4.0]})
    twice = frame.assign(date=pd.to_datetime(["2024-01-02", "2024-01-03", "2024-01-05",
                                              "2024-01-05"]))
    with pytest.raises(ValueError, match="symbol 'Y' has two rows at date 2024-01-05"):
        tsfilters.per_symbol(as_kind(twice, kind), "high_pass")
    nameless = frame.assign(symbol=["X", "X", None, "Y"])
    with pytest.raises(ValueError, match="row.* 2 has no symbol"):
        tsfilters.per_symbol(as_kind(nameless, kind), "high_pass")
    undated = frame.assign(date=pd.to_datetime(["2024-01-02", None, "2024-01-02", "2024-01-03"]))
    with pytest.raises(ValueError, match="row.* 1 has no date"):
        tsfilters.per_symbol(as_kind(undated, kind), "high_pass")
    with pytest.raises(ValueError, match="row.* 3 has no date"):
        tsfilters.per_symbol(as_kind(frame.assign(date=[1.0, 2.0, 1.0, np.nan]), kind), "high_pass")
    texts = frame.assign(date=["12/31/2023", "01/02/2024"] * 2)
    with pytest.raises(ValueError, match="dates as text"):
        tsfilters.per_symbol(as_kind(texts, kind), "high_pass")
    with pytest.raises(KeyError, match="no column 'price'"):
        tsfilters.per_symbol(as_kind(frame, kind), "high_pass", value="price")
    with pytest.raises(TypeError, match="truth values|Boolean"):
        tsfilters.per_symbol(as_kind(frame.assign(close=True), kind), "high_pass")
    empty = tsfilters.per_symbol(as_kind(frame.iloc[:0], kind), "high_pass")
    assert len(empty) == 0 and empty.name == "high_pass"


def test_arguments_are_checked_before_the_frame_is_read():
    frame = pd.DataFrame({"symbol": ["X"], "date": [1], "close": [1.0]})
    with pytest.raises(TypeError, match="period must be an integer"):
        tsfilters.per_symbol(frame, "high_pass", period=2.5)
    with pytest.raises(TypeError, match="takes period, not smooth_period"):
        tsfilters.per_symbol(frame, "high_pass", smooth_period=5)
    with pytest.raises(ValueError, match="unknown filter"):
        tsfilters.per_symbol(frame, "low_pass")
    with pytest.raises(ValueError, match="missing must be one of"):
        tsfilters.per_symbol(frame, "high_pass", missing="zero")
    with pytest.raises(TypeError, match="takes a long table .* not a pandas Series"):
        tsfilters.per_symbol(frame["close"], "high_pass")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        tsfilters.per_symbol(pd.concat([frame, frame.assign(symbol="Y")]), "super_smoother",
                             period=5000)
    assert [(w.category, w.filename) for w in caught] == [(tsfilters.PrecisionWarning, __file__)]


def test_a_lazy_frame_is_pointed_at_the_expression():
    pl = polars()
    lazy = pl.LazyFrame({"symbol": ["X"], "date": [1], "close": [1.0]})
    with pytest.raises(TypeError, match=r"collect it first, or .*tsf\.high_pass\(\.\.\., "
                                        r"by='symbol', time='date'\)"):
        tsfilters.per_symbol(lazy, "high_pass")
