"""Arrow and Polars inputs that failed inside those packages, and sweep
column names that were not unique: refused or handled in our own words."""

import numpy as np
import pytest

import tsfilters

pa = pytest.importorskip("pyarrow", reason="pyarrow comes with the PyPI test environment")
pl = pytest.importorskip("polars", reason="polars comes with the PyPI test environment")

SERIES = np.linspace(50.0, 70.0, 300)


@pytest.mark.parametrize("make", [
    lambda: pa.array([True, None, False] * 40),
    lambda: pa.chunked_array([[True, False] * 60]),
    lambda: pl.Series("up", [True, None] * 60),
    lambda: pl.DataFrame({"close": SERIES[:120], "up": [True] * 120}),
    lambda: pa.table({"close": SERIES[:120], "up": [True] * 120}),
])
@pytest.mark.parametrize("missing", ["error", "drop", "keep"])
def test_booleans_with_or_without_nulls_are_a_type_error(make, missing):
    with pytest.raises(TypeError, match="truth value is not a price"):
        tsfilters.high_pass(make(), period=10, missing=missing)


def test_128_bit_integers_convert_like_int64_or_are_refused():
    small = [50, 51, 70, -3] * 30
    out = tsfilters.super_smoother(pl.Series("x", small, dtype=pl.Int128), period=10)
    expected = tsfilters.super_smoother(np.array(small, dtype=np.int64), period=10)
    assert np.array_equal(out.to_numpy().view(np.uint32), expected.view(np.uint32))
    with pytest.raises(TypeError, match="UInt128 column .* larger"):
        tsfilters.high_pass(pl.Series("x", [2**100] * 5, dtype=pl.UInt128), period=10)


@pytest.mark.parametrize("x", [pa.array(SERIES), pl.Series("c", SERIES)], ids=["arrow", "polars"])
def test_sweep_names_are_exact_and_repeats_are_refused(x):
    above = float(np.nextafter(np.float32(0.8), np.float32(1)))
    table = tsfilters.sweep(x, "laguerre_filter", gamma=[0.8, above], period=[10, 20])
    names = table.column_names if isinstance(table, pa.Table) else table.columns
    assert names == ["gamma=0.8,period=10", "gamma=0.8,period=20",
                     "gamma=0.8000001,period=10", "gamma=0.8000001,period=20"]
    # Each name reads back as the float32 the library ran with.
    for name in names:
        gamma = float(name.split(",")[0].split("=")[1])
        assert np.float32(gamma) in (np.float32(0.8), np.float32(above))
    for repeated in ({"gamma": [0.5, 0.5]}, {"gamma": [0.8, 0.8000000001]}, {"period": [10, 10]}):
        with pytest.raises(ValueError, match="may appear once"):
            tsfilters.sweep(x, "laguerre_filter", **repeated)


def test_pandas_sweeps_refuse_repeats_too():
    with pytest.raises(ValueError, match="may appear once"):
        tsfilters.sweep(SERIES, "high_pass", period=[10, 10])


@pytest.mark.parametrize("dtype", [np.float64, np.int64, np.float32])
def test_a_table_of_one_dtype_read_in_one_block_gives_the_column_bits(dtype):
    # Integers past 2**24 show a conversion by way of float64 (two roundings).
    base = (2**25 + 3 + np.arange(300) * 5) if dtype == np.int64 else SERIES
    block = np.asfortranarray(np.stack([base, base[::-1], base * 2], axis=1).astype(dtype))
    frame = pl.from_numpy(block, schema=["a", "b", "c"], orient="row")
    before = frame.clone()
    out = tsfilters.laguerre_filter(frame, gamma=0.5, period=10)
    for j, name in enumerate("abc"):
        alone = tsfilters.laguerre_filter(block[:, j], gamma=0.5, period=10)
        assert np.array_equal(out[name].to_numpy().view(np.uint32), alone.view(np.uint32))
        assert out[name].null_count() == 1 and out[name].dtype == pl.Float32  # slot 0
    assert frame.equals(before) and out.columns == ["a", "b", "c"]


def test_decimal_columns_read_alike_in_arrow_polars_and_pandas():
    import decimal

    import pandas as pd
    texts = [f"{50 + k * 0.37 + (k % 7) * 1e-9:.10f}" for k in range(150)]
    texts[40] = None
    numbers = [None if t is None else decimal.Decimal(t) for t in texts]
    arrow = pa.array(numbers, type=pa.decimal128(20, 10))
    expected = tsfilters.ultimate_smoother(np.array([np.nan if n is None else float(n)
                                                     for n in numbers]), missing="drop")
    got = [tsfilters.ultimate_smoother(arrow, missing="drop"),
           tsfilters.ultimate_smoother(pl.Series("d", numbers, dtype=pl.Decimal(20, 10)),
                                       missing="drop"),
           tsfilters.ultimate_smoother(pd.Series(arrow, dtype=pd.ArrowDtype(arrow.type)),
                                       missing="drop"),
           tsfilters.ultimate_smoother(np.array(numbers, dtype=object), missing="drop")]
    for out in got:
        values = np.asarray(out.to_numpy(zero_copy_only=False) if isinstance(out, pa.Array)
                            else out.to_numpy() if hasattr(out, "to_numpy") else out, np.float32)
        assert np.array_equal(np.isnan(values), np.isnan(expected))
        assert np.array_equal(values[~np.isnan(values)].view(np.uint32),
                              expected[~np.isnan(expected)].view(np.uint32))


def test_a_chunked_column_comes_back_in_its_chunks():
    chunks = [SERIES[:100], SERIES[100:100], SERIES[100:250], SERIES[250:]]
    chunked = pa.chunked_array(chunks)
    out = tsfilters.laguerre_filter(chunked)
    assert [len(c) for c in out.chunks] == [100, 0, 150, 50] and out.type == pa.float32()
    whole = tsfilters.laguerre_filter(SERIES)
    assert np.array_equal(out.to_numpy().view(np.uint32)[1:], whole.view(np.uint32)[1:])
    assert out.null_count == 1  # slot 0, which the library does not write
    table = pa.table({"a": chunked, "b": pa.chunked_array([SERIES])})
    back = tsfilters.laguerre_filter(table)
    assert [len(c) for c in back["a"].chunks] == [100, 0, 150, 50]
    assert [len(c) for c in back["b"].chunks] == [300]
