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
