"""Every way to filter a long table (per_symbol on pandas, Polars, Arrow and
Dask, the checked Polars expression eager, lazy and streaming) against the
batch call on each symbol's rows alone, on a shuffled table with listings,
delistings and halts; and every path refusing the same tables with
messages that name the symbol and the date."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters import _long
from tsfilters._frames import long_table
from tsfilters._engine import segments as _segments


def _table(seed=5, symbols=30):
    """A shuffled long table: symbols listed and delisted on their own
    days, each with a halt (days missing) inside, one too short for an
    oscillator's window; and each symbol's rows in date order."""
    rng = np.random.default_rng(seed)
    days = pd.date_range("2015-01-01", periods=1500, freq="D")
    parts = []
    for k in range(symbols):
        first = int(rng.integers(0, 900))
        length = 40 if k == 3 else int(rng.integers(150, 600))
        dates = days[first:first + length]
        halt = int(rng.integers(10, max(11, dates.size - 30)))
        dates = dates.delete(range(halt, halt + int(rng.integers(3, 15))))
        close = 50 * (1 + k / 10) + np.cumsum(rng.normal(0, 1, dates.size))
        parts.append(pd.DataFrame({"symbol": f"S{k:02d}", "date": dates, "close": close}))
    ordered = pd.concat(parts, ignore_index=True)
    frame = ordered.sample(frac=1, random_state=seed)
    return frame.set_axis(np.arange(len(frame)) * 5 + 2)


@pytest.fixture(scope="module")
def table():
    return _table()


def by_hand(frame, name, by="symbol", **keywords):
    """Each row's output from the batch call on its symbol's rows alone."""
    out = np.full(len(frame), np.nan, np.float32)
    positions = pd.Series(np.arange(len(frame)), index=frame.index)
    function = tsfilters.FILTERS[name][0]
    for _, rows in frame.groupby(by, sort=False):
        rows = rows.sort_values("date")
        out[positions[rows.index].to_numpy()] = function(rows["close"].to_numpy(), **keywords)
    return out


def _polars():
    return pytest.importorskip("polars", reason="polars comes with the PyPI test environment")


def _arrow():
    return pytest.importorskip("pyarrow", reason="pyarrow comes with the PyPI test environment")


def run_pandas(frame, name, **keywords):
    return tsfilters.per_symbol(frame, name, **keywords).to_numpy()


def run_polars(frame, name, **keywords):
    return tsfilters.per_symbol(_polars().from_pandas(frame), name, **keywords).to_numpy()


def run_arrow(frame, name, **keywords):
    pa = _arrow()
    table = pa.Table.from_pandas(frame, preserve_index=False)
    out = tsfilters.per_symbol(table, name, **keywords)
    assert out.type == pa.float32()
    return out.to_numpy(zero_copy_only=False)


def _expression(name, keywords, engine):
    pl = _polars()
    import tsfilters.polars  # noqa: F401  (registers tsf)

    def run(frame):
        args = dict(keywords)
        value, by, time = args.pop("value", "close"), args.pop("by", "symbol"), \
            args.pop("time", "date")
        expression = getattr(pl.col(value).tsf, name)(by=by, time=time, **args).alias("out")
        polars_frame = pl.from_pandas(frame)
        if engine == "eager":
            return polars_frame.with_columns(expression)["out"].to_numpy()
        lazy = polars_frame.lazy().with_columns(expression)
        return lazy.collect(engine=engine)["out"].to_numpy()
    return run


def run_expression(frame, name, **keywords):
    return _expression(name, keywords, "eager")(frame)


def run_lazy(frame, name, **keywords):
    return _expression(name, keywords, "in-memory")(frame)


def run_streaming(frame, name, **keywords):
    return _expression(name, keywords, "streaming")(frame)


def run_dask(frame, name, **keywords):
    dd = pytest.importorskip("dask.dataframe")
    parts = dd.from_pandas(frame, npartitions=3, sort=False)
    return tsfilters.per_symbol(parts, name, **keywords).compute().to_numpy()


PATHS = [run_pandas, run_polars, run_arrow, run_expression, run_lazy, run_streaming, run_dask]


@pytest.mark.parametrize("path", PATHS)
@pytest.mark.parametrize("name, parameters", [
    ("ultimate_smoother", {"period": 20}), ("laguerre_filter", {"gamma": 0.6, "period": 14}),
    ("cybernetic_oscillator", {"high_pass_period": 30, "smooth_period": 8})])
def test_every_path_gives_each_symbols_batch_bits(table, path, name, parameters):
    before = table.copy()
    got = path(table, name, **parameters)
    assert got.dtype == np.float32 and same_bits(got, by_hand(table, name, **parameters))
    pd.testing.assert_frame_equal(table, before)


@pytest.mark.parametrize("path", PATHS)
def test_gaps_and_warmup_act_inside_each_symbol_on_every_path(table, path):
    frame = table.copy()
    rng = np.random.default_rng(1)
    holes = rng.choice(len(frame), 40, replace=False)
    frame.iloc[holes, frame.columns.get_loc("close")] = np.nan
    # A symbol whose first rows are gaps: "previous" has nothing to carry.
    s05 = frame[frame.symbol == "S05"].sort_values("date").index[:3]
    frame.loc[s05, "close"] = np.nan
    for missing in ("drop", "previous", "keep"):
        for warmup in ("keep", "nan"):
            got = path(frame, "super_smoother", period=12, missing=missing, warmup=warmup)
            want = by_hand(frame, "super_smoother", period=12, missing=missing, warmup=warmup)
            assert same_bits(got, want), (missing, warmup)


def test_several_key_columns(table):
    frame = table.assign(venue=np.where(np.arange(len(table)) % 2, "X", "Y"))
    frame = frame.assign(date=frame.date + pd.to_timedelta(np.arange(len(frame)) % 2, "h"))
    want = by_hand(frame, "high_pass", by=["symbol", "venue"], period=15)
    assert not same_bits(want, by_hand(frame, "high_pass", period=15))
    for path in (run_pandas, run_polars, run_arrow, run_expression, run_dask):
        try:
            got = path(frame, "high_pass", by=["symbol", "venue"], period=15)
        except pytest.skip.Exception:
            continue
        assert same_bits(got, want), path.__name__
    twice = pd.concat([frame, frame.iloc[[7]]])
    row = frame.iloc[7]
    with pytest.raises(ValueError, match=rf"symbol, venue \('{row.symbol}', '{row.venue}'\) "
                                         rf"has two rows at date {row.date}"):
        tsfilters.per_symbol(twice, "high_pass", by=["symbol", "venue"])
    with pytest.raises(ValueError, match=r"row label 17 has no venue"):
        tsfilters.per_symbol(frame.assign(venue=frame.venue.where(frame.index != 17)),
                             "high_pass", by=["symbol", "venue"])
    with pytest.raises(TypeError, match="by must be a column name or a list"):
        tsfilters.per_symbol(frame, "high_pass", by={"symbol"})
    with pytest.raises(ValueError, match="by= names no column"):
        tsfilters.per_symbol(frame, "high_pass", by=[])


def _refusals():
    """(what, the table, the message) for each table no path may filter."""
    frame = pd.DataFrame({"symbol": ["A", "B", "A", "B", "A", "B"],
                          "date": pd.to_datetime(["2024-03-01", "2024-03-01", "2024-03-04",
                                                  "2024-03-04", "2024-03-05", "2024-03-05"]),
                          "close": [10.0, 20.0, 11.0, 21.0, 12.0, 22.0]})
    resent = pd.concat([frame, frame.iloc[[3]]], ignore_index=True)
    clock = frame.assign(date=pd.to_datetime(
        ["2024-11-03 00:30", "2024-11-03 00:30", "2024-11-03 01:30", "2024-11-03 01:30",
         "2024-11-03 01:30", "2024-11-03 02:30"]))  # A's 01:30 twice: the clocks went back
    return [
        ("re-sent", resent, r"symbol 'B' has two rows at date 2024-03-04"),
        ("clock", clock, r"symbol 'A' has two rows at date 2024-11-03 01:30:00 \(local clock"),
        ("no symbol", frame.assign(symbol=["A", "B", None, "B", "A", "B"]),
         r"row.* 2 has no symbol"),
        ("no date", frame.assign(date=frame.date.where(frame.index != 4)), r"row.* 4 has no date"),
        ("text", frame.assign(date=["03/01/2024", "03/01/2024", "03/04/2024", "03/04/2024",
                                    "12/05/2023", "12/05/2023"]), "dates as text"),
        ("gap", frame.assign(close=[10.0, 20.0, 11.0, np.nan, 12.0, 22.0]),
         r"symbol 'B' has a missing value \(NaN\) in column 'close' at date 2024-03-04"),
        ("inf", frame.assign(close=[10.0, 20.0, 11.0, 21.0, np.inf, 22.0]),
         r"symbol 'A' has an infinite value .* at date 2024-03-05"),
    ]


@pytest.mark.parametrize("path", PATHS)
@pytest.mark.parametrize("what, frame, message", _refusals(), ids=[r[0] for r in _refusals()])
def test_every_path_refuses_what_has_no_series(path, what, frame, message):
    try:
        with pytest.raises(Exception) as caught:
            path(frame, "super_smoother", period=5)
    except pytest.skip.Exception:
        raise
    # Polars wraps an error raised inside an expression; its text stays.
    assert caught.type is ValueError or "ComputeError" in caught.typename, caught.value
    import re
    assert re.search(message, str(caught.value)), str(caught.value)


def test_stamps_with_a_time_zone_do_not_repeat_when_the_clocks_go_back():
    local = pd.date_range("2024-11-03 00:00", periods=6, freq="30min", tz="US/Eastern")
    frame = pd.DataFrame({"symbol": "A", "date": local, "close": np.arange(6.0) + 50})
    shuffled = frame.iloc[[3, 0, 5, 1, 4, 2]]
    got = tsfilters.per_symbol(shuffled, "ultimate_smoother", period=3)
    assert same_bits(got.sort_index().to_numpy(), tsfilters.ultimate_smoother(
        frame.close.to_numpy(), 3))


def test_time_stamps_of_every_kind_sort_as_time(table):
    """Integers, floats either side of zero, nanoseconds apart by odd
    steps, periods: each sorts as time, symbols never mixed."""
    want = by_hand(table, "band_pass")
    days = (table.date - pd.Timestamp("2015-01-01")).dt.days.to_numpy()
    for date in (days * 10**15 - 2**62, days * 0.5 - 300.0, table.date.dt.to_period("D"),
                 table.date + pd.to_timedelta(days % 7, "ns")):
        got = tsfilters.per_symbol(table.assign(date=date), "band_pass").to_numpy()
        assert same_bits(got, want)


def test_the_batch_calls_and_threads_give_the_engines_bits(table, monkeypatch):
    want = run_pandas(table, "laguerre_oscillator")
    monkeypatch.setattr(_segments, "_SAMPLES_PER_THREAD", 100)
    assert _segments._ranges(np.array([0, 50, 400, 900]), 2000, 4) == [(0, 3), (3, 4)]
    assert same_bits(run_pandas(table, "laguerre_oscillator"), want)
    monkeypatch.setattr(_segments, "_engine", lambda: None)
    assert same_bits(run_pandas(table, "laguerre_oscillator"), want)


def test_one_sort_for_keys_that_do_not_fold():
    keys = np.array([3, 1, 3, 1, 2], np.int64)
    stamps = np.array([2**62, -2**62, -2**62, 2**62, 0], np.int64)
    order, _, span = long_table._sort(keys, stamps)
    assert span is None and order.tolist() == [1, 3, 4, 2, 0]
    wide = long_table.combine_keys([np.array([2**40, 0, -1]), np.array([2**40, 5, 1])])
    assert wide[2] == -1 and wide[0] != wide[1]


def test_the_checked_expression_needs_both_columns_and_an_expression():
    pl = _polars()
    import tsfilters.polars  # noqa: F401  (registers tsf)
    with pytest.raises(TypeError, match="by= needs time= too"):
        pl.col("close").tsf.high_pass(by="symbol")
    with pytest.raises(TypeError, match="time= needs by= too"):
        pl.col("close").tsf.high_pass(time="date")
    with pytest.raises(TypeError, match="a Series has no symbol or time column"):
        pl.Series("close", [1.0, 2.0]).tsf.high_pass(by="symbol", time="date")
