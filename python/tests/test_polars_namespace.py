"""`pl.col(...).tsf.<filter>(...)`: the bits of the functions, eager and
lazy, one series per group under `over(..., order_by=...)` however the
rows are shuffled, parameters refused where the expression is written."""

import warnings

import numpy as np
import pytest
from conftest import FILTER_TABLE, same_bits

import tsfilters

pl = pytest.importorskip("polars", reason="polars comes with the PyPI test environment")
import tsfilters.polars  # noqa: E402  (registers `tsf`, needs polars)
from tsfilters.polars import tsf  # noqa: E402

NAMES = list(FILTER_TABLE)


@pytest.fixture(scope="module")
def long_table(wti):
    """Three symbols of different lengths (one too short for an
    oscillator's RMS window), rows shuffled, time stamps as dates."""
    rng = np.random.default_rng(7)
    pieces = {"A": wti[:400], "B": wti[400:660] * 3, "C": wti[700:760]}
    symbols, days, closes = [], [], []
    for symbol, values in pieces.items():
        symbols += [symbol] * values.size
        days += list(np.datetime64("2001-01-01") + np.arange(values.size))
        closes += list(values.astype(np.float64))
    shuffle = rng.permutation(len(symbols))
    frame = pl.DataFrame({"symbol": np.array(symbols)[shuffle], "date": np.array(days)[shuffle],
                          "close": np.array(closes)[shuffle]})
    return frame, pieces


def expected_per_symbol(frame, pieces, name, **parameters):
    """Each row's value worked out on its symbol alone, through NumPy."""
    out = np.full(frame.height, np.nan, np.float32)
    function = tsfilters.FILTERS[name][0]
    dates = frame["date"].to_numpy()
    for symbol, values in pieces.items():
        rows = np.flatnonzero(frame["symbol"].to_numpy() == symbol)
        position = (dates[rows] - np.datetime64("2001-01-01")).astype(int)
        out[rows] = function(values.astype(np.float64), **parameters)[position]
    return out


@pytest.mark.parametrize("name", NAMES)
def test_select_series_and_typed_accessor_give_the_numpy_bits(name, wti):
    closes = wti[:500]
    expected = tsfilters.FILTERS[name][0](closes, **FILTER_TABLE[name].defaults)
    frame = pl.DataFrame({"close": closes})
    for got in (frame.select(getattr(pl.col("close").tsf, name)())["close"],
                frame.lazy().select(getattr(tsf(pl.col("close")), name)()).collect()["close"],
                getattr(frame["close"].tsf, name)(),
                getattr(tsf(frame["close"]), name)()):
        assert got.dtype == pl.Float32 and got.name == "close"
        assert same_bits(got.to_numpy(), expected)
        assert np.array_equal(got.is_null().to_numpy(), np.isnan(expected))


@pytest.mark.parametrize("name, parameters", [
    ("ultimate_smoother", {"period": 20}), ("laguerre_filter", {"gamma": 0.5, "period": 12}),
    ("cybernetic_oscillator", {"high_pass_period": 30, "smooth_period": 8})])
def test_over_with_order_by_runs_each_symbol_alone_in_time_order(name, parameters, long_table):
    frame, pieces = long_table
    expected = expected_per_symbol(frame, pieces, name, **parameters)
    expression = getattr(pl.col("close").tsf, name)(**parameters) \
        .over("symbol", order_by="date").alias("out")
    eager = frame.with_columns(expression)["out"].to_numpy()
    lazy = frame.lazy().with_columns(expression).collect()["out"].to_numpy()
    streaming = frame.lazy().with_columns(expression).collect(engine="streaming")["out"].to_numpy()
    for got in (eager, lazy, streaming):
        assert same_bits(got, expected)
    if FILTER_TABLE[name].rms_scaled:  # C has 60 rows: no RMS window, no value
        assert np.isnan(got[frame["symbol"].to_numpy() == "C"]).all()


def test_warmup_nan_blanks_each_groups_own_start(long_table):
    frame, pieces = long_table
    out = frame.with_columns(pl.col("close").tsf.super_smoother(10, warmup="nan")
                             .over("symbol", order_by="date").alias("out"))
    length = tsfilters.settling.warmup_length("super_smoother", period=10)
    for symbol in pieces:
        group = out.filter(pl.col("symbol") == symbol).sort("date")["out"]
        assert group[:length].is_null().all() and not group[length:].is_null().any()


def test_a_gap_is_named_by_column_and_place_in_its_group_unless_missing_says_otherwise(wti):
    closes = [float(v) for v in wti[:200]]
    closes[7] = None
    frame = pl.DataFrame({"symbol": ["S"] * 200, "t": list(range(200))[::-1], "close": closes})
    expression = pl.col("close").tsf.ultimate_smoother(20).over("symbol", order_by="t")
    with pytest.raises(ValueError, match=r"column 'close' has a missing value .* position 192 "):
        frame.with_columns(expression)
    dropped = frame.with_columns(pl.col("close").tsf.ultimate_smoother(20, missing="drop")
                                 .over("symbol", order_by="t"))["close"].to_numpy()
    plain = np.array(closes, dtype=np.float64)[::-1]
    assert same_bits(dropped[::-1], tsfilters.ultimate_smoother(plain, 20, missing="drop"))
    nan_first = pl.DataFrame({"close": [float("nan")] + closes[8:]})
    with pytest.raises(ValueError, match="position 0 of the 193 values"):
        nan_first.select(pl.col("close").tsf.high_pass())


def test_bad_arguments_fail_where_the_expression_is_written():
    with pytest.raises(TypeError, match="period must be an integer"):
        pl.col("close").tsf.super_smoother(2.5)
    with pytest.raises(ValueError, match="missing must be one of"):
        pl.col("close").tsf.super_smoother(missing="zero")
    with pytest.raises(ValueError, match="warmup"):
        pl.Series([1.0]).tsf.high_pass(warmup="drop")
    with pytest.raises(TypeError, match="polars Expr or Series"):
        tsf([1.0, 2.0])
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        expression = pl.col("close").tsf.ultimate_smoother(5000)
        pl.DataFrame({"s": [1, 1, 2, 2], "close": [1.0, 2.0, 3.0, 4.0]}).with_columns(
            expression.over("s"))
    assert [w.category for w in caught] == [tsfilters.PrecisionWarning]
    assert caught[0].filename == __file__


def test_the_expression_refuses_one_column_as_symbol_and_time_as_per_symbol_does(long_table):
    """Once the Polars expression only checked the type of by=; a symbol
    column that is also the time column ran, with every row its own symbol."""
    frame, _ = long_table
    for by, time in (("date", "date"), (["symbol", "symbol"], "date")):
        with pytest.raises(ValueError, match="must name different columns"):
            frame.select(pl.col("close").tsf.super_smoother(10, by=by, time=time))
        with pytest.raises(ValueError, match="must name different columns"):
            tsfilters.per_symbol(frame, "super_smoother", by=by, time=time, period=10)
