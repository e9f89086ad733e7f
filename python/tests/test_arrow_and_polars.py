"""pyarrow and polars columns in, the same type out, with the bits of the
NumPy call; nulls where the library writes nothing; the caller's objects
untouched; clear errors for what is not a series of numbers."""

import subprocess
import sys

import numpy as np
import pytest
from conftest import PYTHON_DIR, same_bits

import tsfilters

pa = pytest.importorskip("pyarrow", reason="pyarrow comes with the PyPI test environment")
pl = pytest.importorskip("polars", reason="polars comes with the PyPI test environment")


def values(column):
    """A pyarrow or polars column's values as NumPy (NaN for null)."""
    if isinstance(column, pa.ChunkedArray):
        column = column.combine_chunks()
    if isinstance(column, pa.Array):
        return column.to_numpy(zero_copy_only=False)
    return column.to_numpy()


def nulls(column):
    return np.asarray(values(column.is_null()), dtype=bool)


@pytest.fixture(scope="module")
def closes(wti):
    return np.ascontiguousarray(wti[:600])


def test_importing_the_package_imports_neither():
    code = ("import sys, tsfilters; "
            "print(sorted(m for m in ('pyarrow', 'polars') if m in sys.modules))")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         check=True, env={"PYTHONPATH": str(PYTHON_DIR)})
    assert run.stdout.strip() == "[]"


@pytest.mark.parametrize("name", list(tsfilters.FILTERS))
def test_every_filter_gives_the_numpy_bits_and_nulls_where_nothing_is_written(name, closes):
    function, _ = tsfilters.FILTERS[name]
    parameters = tsfilters._engine.filter_table.FILTER_TABLE[name].defaults
    expected = function(closes, **parameters)
    unwritten = np.isnan(expected)
    for x in (pa.array(closes), pa.chunked_array([closes]), pl.Series("close", closes)):
        got = function(x, **parameters)
        assert type(got) is type(x)
        assert same_bits(values(got), expected)
        assert np.array_equal(nulls(got), unwritten)
    assert function(pl.Series("close", closes), **parameters).name == "close"
    assert function(pl.Series("close", closes), **parameters).dtype == pl.Float32


def test_tables_and_frames_keep_their_names_and_match_the_column_calls(closes):
    columns = {"wti": closes, "double": closes * 2, "int": np.arange(600, dtype=np.int64)}
    expected = {key: tsfilters.super_smoother(value, 10) for key, value in columns.items()}
    for x in (pa.table(columns), pl.DataFrame(columns)):
        got = tsfilters.super_smoother(x, period=10)
        assert type(got) is type(x) and list(got.columns if isinstance(got, pl.DataFrame)
                                              else got.column_names) == list(columns)
        for key in columns:
            assert same_bits(values(got[key]), expected[key]), key


def test_a_float32_column_without_nulls_is_read_in_place(closes):
    from tsfilters._frames import columnar as _columnar
    for x in (pa.array(closes), pl.Series(closes)):
        values = _columnar.read(x).values
        assert np.shares_memory(values, closes) or values.ctypes.data == \
            (x.buffers()[1].address if isinstance(x, pa.Array) else values.ctypes.data)
    out = tsfilters.high_pass(pa.array(closes), period=48)
    assert out.null_count == 0 and out.buffers()[0] is None


def test_nulls_follow_the_missing_rule_and_int64_converts_as_numpy_does(closes):
    big = np.array([2**53 + 1, 2**31 + 3, 16_777_217, -7] * 50, dtype=np.int64)
    expected = tsfilters.ultimate_smoother(big, period=20)
    for x in (pa.array(big), pl.Series(big)):
        assert same_bits(values(tsfilters.ultimate_smoother(x, period=20)), expected)
    with_gap = closes.astype(np.float64).tolist()
    with_gap[7] = None
    for x in (pa.array(with_gap, pa.float64()), pl.Series(with_gap)):
        with pytest.raises(ValueError, match="position 7"):
            tsfilters.super_smoother(x, period=10)
        dropped = tsfilters.super_smoother(x, period=10, missing="drop")
        reference = np.array(with_gap, dtype=np.float64)  # None -> NaN
        assert same_bits(values(dropped),
                         tsfilters.super_smoother(reference, period=10, missing="drop"))
        assert np.flatnonzero(nulls(dropped)).tolist() == [7]


def test_a_null_among_the_oscillators_first_values_is_refused_even_when_kept(closes):
    frame = pl.DataFrame({"a": closes, "b": [None if i == 42 else float(v) for i, v in enumerate(closes)]})
    with pytest.raises(ValueError, match=r"position 42 in column 'b', among the first 100"):
        tsfilters.cybernetic_oscillator(frame, high_pass_period=30, smooth_period=10,
                                        missing="keep")
    later = pl.Series([None if i == 300 else float(v) for i, v in enumerate(closes)])
    kept = tsfilters.laguerre_oscillator(later, gamma=0.5, period=30, missing="keep")
    assert kept[299] is not None and kept[300] is None


@pytest.mark.parametrize("make, message", [
    (lambda: pa.array(["1.5", "2.5"]), "pyarrow string"),
    (lambda: pa.array(np.array(["2024-01-02"] * 3, dtype="datetime64[D]")), "pyarrow date32"),
    (lambda: pl.Series("when", [np.datetime64("2024-01-02", "us")] * 3), "polars Datetime"),
    (lambda: pl.DataFrame({"ticker": ["A", "B"], "close": [1.0, 2.0]}), "polars String"),
])
def test_strings_and_dates_are_a_type_error(make, message):
    with pytest.raises(TypeError, match=message):
        tsfilters.super_smoother(make(), period=10)


def test_columns_without_chunks_are_empty_series():
    # A table filtered to nothing, or built from no batches, has columns of
    # no chunks at all: as empty as one empty chunk.
    out = tsfilters.super_smoother(pa.chunked_array([], pa.float32()), period=10)
    assert isinstance(out, pa.ChunkedArray) and len(out) == 0
    schema = pa.schema([("a", pa.float64()), ("b", pa.int32())])
    for table in (pa.Table.from_batches([], schema=schema),
                  pa.table({"a": [1.0], "b": [2]}, schema=schema).filter(pa.array([False]))):
        out = tsfilters.laguerre_filter(table, gamma=0.8, period=10)
        assert out.column_names == ["a", "b"] and out.num_rows == 0


def test_the_callers_objects_are_not_written(closes):
    source = closes.copy()
    array, series = pa.array(source), pl.Series(source)
    frame = pl.DataFrame({"a": source})
    for x in (array, series, frame):
        tsfilters.high_pass(x, period=48)
        tsfilters.super_smoother(x, period=10, missing="previous")
    assert same_bits(values(array), closes) and same_bits(values(series), closes)
    assert same_bits(values(frame["a"]), closes) and same_bits(source, closes)


def test_sweeps_and_streams_take_and_give_the_same_types(closes):
    for x in (pa.array(closes), pl.Series("c", closes)):
        table = tsfilters.sweep(x, "ultimate_smoother", period=[10, 20])
        names = table.column_names if isinstance(table, pa.Table) else table.columns
        assert list(names) == ["period=10", "period=20"]
        assert same_bits(values(table["period=20"]),
                         tsfilters.ultimate_smoother(closes, 20))
    rows = {"b": closes[:50] * 2, "a": closes[:50]}
    for block in (pa.table(rows), pl.DataFrame(rows)):
        streams = tsfilters.Streams("super_smoother", ["a", "b"], period=10)
        out = streams.update(block)
        assert type(out) is type(block)
        assert list(out.column_names if isinstance(out, pa.Table) else out.columns) == ["b", "a"]
        assert same_bits(values(out["b"]), tsfilters.super_smoother(closes[:50] * 2, 10))
        one = streams.update(pa.array([1.0, 2.0]) if isinstance(block, pa.Table) else pl.Series([1.0, 2.0]))
        assert len(one) == 2


def test_the_polars_one_liner_per_symbol_gives_the_batch_bits(closes):
    # Two symbols interleaved and out of time order, as a long table arrives.
    n = 300
    long = pl.DataFrame({
        "symbol": ["X", "Y"] * n,
        "time": np.repeat(np.arange(n), 2)[::-1].copy(),
        "close": np.column_stack([closes[:n], closes[n:2 * n]])[::-1].ravel().copy(),
    })
    # What the documentation shows:
    smooth = long.sort("time").with_columns(
        pl.col("close").map_batches(lambda s: tsfilters.ultimate_smoother(s, period=20))
        .over("symbol").alias("smooth"))
    for symbol, series in (("X", closes[:n]), ("Y", closes[n:2 * n])):
        got = smooth.filter(pl.col("symbol") == symbol)["smooth"].to_numpy()
        assert same_bits(got, tsfilters.ultimate_smoother(series, period=20)), symbol
