"""The long-table filter on a real two-process Dask cluster gives the pandas
path's bits, which are the per-symbol batch calls' bits."""

import numpy as np
import pandas as pd
import pytest
from conftest import DATA, OSCILLATORS, PARAMETER_SETS, same_bits

import tsfilters
from tsfilters.cli import csv_files as csvio

dask = pytest.importorskip("dask")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
tsd = tsfilters.dask


@pytest.fixture(scope="module")
def long_table():
    """The bundled WTI series cut into 60 synthetic symbols of different
    lengths and scales, rows shuffled, as a long table."""
    table = csvio.read_table(DATA / "wti_daily.csv")
    close = csvio.numbers(table, "close")
    dates = pd.to_datetime(list(table.cells("date")))
    rng = np.random.default_rng(7)
    parts = []
    for k in range(60):
        start, length = rng.integers(0, 6000), rng.integers(50, 3000)
        parts.append(pd.DataFrame({"symbol": f"S{k:02d}", "date": dates[start:start + length],
                                   "close": close[start:start + length] * (1 + k / 64)}))
    frame = pd.concat(parts).sample(frac=1, random_state=3)
    return frame.set_axis(np.arange(len(frame)) * 3 + 11)  # an index that is not 0..n-1


# An oscillator's scale comes from each symbol's own first 100 rows.
@pytest.mark.parametrize("name", OSCILLATORS)
def test_pandas_path_is_each_symbol_in_time_order(long_table, name):
    parameters = PARAMETER_SETS[name][1]
    out = tsd.apply(long_table, name, **parameters)
    assert out.index.equals(long_table.index) and out.name == name
    for symbol in ("S00", "S17", "S59"):
        rows = long_table[long_table.symbol == symbol].sort_values("date")
        alone = tsfilters.FILTERS[name][0](rows.close.to_numpy(), **parameters)
        assert same_bits(out[rows.index].to_numpy(), alone), symbol


def test_long_table_errors(long_table):
    twice = pd.concat([long_table.head(5), long_table.head(1)])
    with pytest.raises(ValueError, match="two rows at date"):
        tsd.apply(twice, "high_pass")
    with pytest.raises(KeyError, match="no column 'price'"):
        tsd.apply(long_table, "high_pass", value="price")
    with pytest.raises(ValueError, match="unknown filter"):
        tsd.apply(long_table, "low_pass")


# Debian's tornado warns about an event loop call distributed makes.
@pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")
def test_a_two_worker_cluster_gives_the_pandas_bits(long_table):
    expected = {name: tsd.apply(long_table, name) for name in ("ultimate_smoother",
                                                                "cybernetic_oscillator")}
    frame = dd.from_pandas(long_table, npartitions=6, sort=False)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0") as cluster, \
            distributed.Client(cluster):
        assert len(cluster.workers) == 2
        for name in expected:
            frame = tsd.assign(frame, name, name)
        got = frame.compute()
    assert got.index.equals(long_table.index)
    for name, want in expected.items():
        assert same_bits(got[name].to_numpy(), want.to_numpy()), name


def test_a_gap_is_named_by_symbol_and_date_and_a_series_is_refused(long_table):
    frame = long_table.copy()
    s17 = frame[frame.symbol == "S17"].sort_values("date")
    frame.loc[s17.index[5], "close"] = np.nan
    frame.loc[s17.index[9], "close"] = np.inf
    day = s17.date.iloc[5]
    with pytest.raises(ValueError, match=f"symbol 'S17' has a missing value .* at date {day}"
                                         f" .row label {s17.index[5]}."):
        tsd.apply(frame, "high_pass")
    frame.loc[s17.index[5], "close"] = 1.0
    with pytest.raises(ValueError, match="symbol 'S17' has an infinite value"):
        tsd.apply(dd.from_pandas(frame, npartitions=3), "high_pass").compute()
    for series in (long_table.close, dd.from_pandas(long_table, npartitions=2).close):
        with pytest.raises(TypeError, match="takes a long table .*not a .* Series"):
            tsd.apply(series, "high_pass")
    # A column called "name" is no reason to take a table for a Series.
    named = long_table.head(300).rename(columns={"symbol": "name"})
    assert len(tsd.apply(named, "high_pass", by="name")) == 300


def _parquet_folder(frame, folder, files=4):
    """`frame` written as several files, each with its own 0..n-1 index,
    as a folder of exports is: labels repeat across the partitions."""
    folder.mkdir()
    for k, part in enumerate(np.array_split(np.arange(len(frame)), files)):
        frame.iloc[part].reset_index(drop=True).to_parquet(folder / f"part{k}.parquet")
    return folder


def test_a_parquet_folder_whose_index_repeats_gets_every_row_its_own_value(long_table,
                                                                            tmp_path):
    pytest.importorskip("pyarrow", reason="a parquet engine comes with the PyPI environment")
    folder = _parquet_folder(long_table, tmp_path / "prices")
    frame = dd.read_parquet(folder)
    assert frame.npartitions > 1 and not frame.known_divisions
    frame = tsd.assign(frame, "smooth", "ultimate_smoother", period=20)
    frame = tsd.assign(frame, "swing", "cybernetic_oscillator")
    got = frame.compute()
    flat = long_table.reset_index(drop=True)
    assert got.index.has_duplicates
    pd.testing.assert_frame_equal(got[flat.columns].reset_index(drop=True), flat,
                                  check_dtype=False)
    for name, column in (("ultimate_smoother", "smooth"), ("cybernetic_oscillator", "swing")):
        want = tsd.apply(flat, name, **({"period": 20} if column == "smooth" else {}))
        assert same_bits(got[column].to_numpy(), want.to_numpy()), name
    # Only the filter's columns read, as a Series: the same rows come back.
    only = dd.read_parquet(folder, columns=["symbol", "date", "close"])
    smooth = tsd.assign(only, "smooth", "ultimate_smoother", period=20)["smooth"].compute()
    assert same_bits(smooth.to_numpy(), got["smooth"].to_numpy())
    # A Series that Dask would line up by label is refused, with the way out.
    if hasattr(only, "expr"):  # Dask with query planning
        with pytest.raises(ValueError, match=r"divisions are unknown.*wrong rows.*"
                                             r"tsfilters\.dask\.assign\(frame, 'smooth'"):
            tsfilters.per_symbol(only, "ultimate_smoother")
    known = dd.from_pandas(flat, npartitions=4)  # sorted, divisions known
    with_series = known.assign(smooth=tsfilters.per_symbol(known, "ultimate_smoother",
                                                           period=20)).compute()
    assert same_bits(with_series["smooth"].to_numpy(), got["smooth"].to_numpy())


def test_partitions_that_differ_between_reads_are_refused():
    outputs = pd.DataFrame({tsd._POS: [1, 0], tsd._STAMP: [2, 1], tsd._OUT: [0.5, 0.25]})
    part = pd.DataFrame({"date": [1, 2]}, index=[9, 9])
    assert tsd._attach(part, outputs, "f", "date").tolist() == [0.25, 0.5]
    with pytest.raises(ValueError, match=r"1 outputs came back for 2 rows.*persist\(\)"):
        tsd._attach(part, outputs.iloc[:1], "f", "date")
    with pytest.raises(ValueError, match="different partitions"):
        tsd._attach(part.assign(date=[1, 3]), outputs, "f", "date")
