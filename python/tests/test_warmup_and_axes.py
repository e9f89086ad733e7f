"""warmup="nan" blanks exactly the settling length; axis= and xarray's dim=
choose the time axis, with the bits of the time-major call."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters.cli import main
from tsfilters.settling import settling_length


@pytest.mark.parametrize("name, parameters", [
    ("super_smoother", {"period": 10}), ("laguerre_filter", {"gamma": 0.8, "period": 20}),
    ("cybernetic_oscillator", {"high_pass_period": 48, "smooth_period": 10}),
])
def test_warmup_nan_blanks_the_settling_length_and_nothing_else(wti, name, parameters):
    function = tsfilters.FILTERS[name][0]
    kept = function(wti[:400], **parameters)
    blanked = function(wti[:400], **parameters, warmup="nan")
    n = settling_length(name, **parameters)
    assert 0 < n < 400
    assert np.isnan(blanked[:n]).all()
    assert same_bits(blanked[n:], kept[n:])


def test_warmup_counts_samples_fed_in_time_order_without_gaps(wti):
    n = settling_length("super_smoother", period=10)
    values = wti[:100].astype(np.float64)
    values[3] = np.nan
    index = pd.date_range("2020-01-01", periods=100)
    series = pd.Series(values, index=index).iloc[::-1]  # newest first
    out = tsfilters.super_smoother(series, period=10, missing="drop", warmup="nan").iloc[::-1]
    # The gap is not a sample fed: the first n fed are rows 0..n, less row 3.
    assert np.isnan(out.iloc[:n + 1]).all() and not np.isnan(out.iloc[n + 1])


def test_warmup_in_sweeps_and_on_the_command_line(wti, tmp_path):
    table = tsfilters.sweep(wti[:300], "super_smoother", period=[10, 40], warmup="nan", frame=False)
    assert list(np.isnan(table).sum(axis=0)) == [settling_length("super_smoother", period=p)
                                                  for p in (10, 40)]
    source = tmp_path / "in.csv"
    source.write_text("date,close\n" + "".join(f"2024-01-{d:02d},{60 + d % 3}\n" for d in range(1, 31)))
    out = tmp_path / "out.csv"
    assert main(["apply", str(source), "--filter", "super_smoother", "--period", "5",
                 "--warmup", "nan", "-o", str(out)]) == 0
    column = pd.read_csv(out)["close_super_smoother_5"]
    assert column.isna().sum() == settling_length("super_smoother", period=5)
    with pytest.raises(ValueError, match="warmup must be"):
        tsfilters.high_pass(wti[:10], period=5, warmup="drop")


def test_a_filter_that_never_settles_is_all_nan(wti):
    assert settling_length("laguerre_filter", gamma=1.0, period=20) is None
    assert np.isnan(tsfilters.laguerre_filter(wti[:50], 1.0, 20, warmup="nan")).all()


def test_axis_minus_one_takes_one_series_per_row(wti):
    rows = np.stack([wti[:250], wti[250:500]])  # (series, time)
    out = tsfilters.ultimate_smoother(rows, period=20, axis=-1)
    assert out.shape == rows.shape
    for i in range(2):
        assert same_bits(out[i], tsfilters.ultimate_smoother(rows[i], period=20))
    assert same_bits(tsfilters.ultimate_smoother(rows.tolist(), period=20, axis=1), out)
    assert same_bits(tsfilters.ultimate_smoother(rows.T, period=20, axis=0), out.T)
    with pytest.raises(ValueError, match="out of range"):
        tsfilters.ultimate_smoother(rows, period=20, axis=2)
    with pytest.raises(ValueError, match="columns"):
        tsfilters.ultimate_smoother(pd.DataFrame(rows), period=20, axis=1)


def test_a_data_array_is_filtered_along_its_dates_and_keeps_its_coordinates(wti):
    xr = pytest.importorskip("xarray")
    times = pd.date_range("2020-01-01", periods=200)
    data = xr.DataArray(np.stack([wti[:200], wti[200:400]]), name="close", attrs={"unit": "USD"},
                        dims=("symbol", "time"), coords={"symbol": ["A", "B"], "time": times})
    out = tsfilters.super_smoother(data, period=10)
    assert isinstance(out, xr.DataArray) and out.dims == ("symbol", "time")
    assert out.name == "close" and out.attrs == {"unit": "USD"}
    assert list(out.symbol.values) == ["A", "B"] and (out.time.values == times.values).all()
    assert same_bits(out.sel(symbol="B").values, tsfilters.super_smoother(wti[200:400], period=10))
    assert same_bits(tsfilters.super_smoother(data, period=10, dim="time").values, out.values)
    with pytest.raises(ValueError, match="dim="):
        tsfilters.super_smoother(data.drop_vars("time"), period=10)
    with pytest.raises(ValueError, match="not a dimension"):
        tsfilters.super_smoother(data, period=10, dim="date")
