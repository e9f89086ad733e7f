"""A DataArray runs in time order along its time dimension, as a pandas
series with a datetime index does, and comes back in its own order."""

import numpy as np
import pytest
from conftest import same_bits

import tsfilters

xr = pytest.importorskip("xarray")


@pytest.fixture(scope="module")
def prices(wti):
    days = np.arange("2020-01-01", "2020-09-01", dtype="datetime64[D]")
    values = np.stack([wti[:days.size], wti[500:500 + days.size] * 2], axis=1)
    return xr.DataArray(values, dims=["time", "symbol"],
                        coords={"time": days, "symbol": ["A", "B"]})


def test_newest_first_runs_oldest_first_and_comes_back_newest_first(prices):
    want = tsfilters.laguerre_oscillator(prices.values)
    newest_first = prices.isel(time=slice(None, None, -1))
    got = tsfilters.laguerre_oscillator(newest_first)
    assert np.array_equal(got.time.values, newest_first.time.values)
    assert same_bits(got.values[::-1], want)
    # The time dimension second: the same, transposed back.
    got_t = tsfilters.laguerre_oscillator(newest_first.transpose("symbol", "time"))
    assert got_t.dims == ("symbol", "time") and same_bits(got_t.values.T[::-1], want)


def test_shuffled_is_refused_unless_sorted_and_repeats_always(prices):
    shuffle = np.random.default_rng(3).permutation(prices.sizes["time"])
    shuffled = prices.isel(time=shuffle)
    with pytest.raises(ValueError, match=r"coordinate 'time' is not in time order: "
                                         r"2020-\d\d-\d\d[T ].* is followed by .*sort=True"):
        tsfilters.super_smoother(shuffled, 10)
    got = tsfilters.super_smoother(shuffled, 10, sort=True)
    assert np.array_equal(got.time.values, shuffled.time.values)
    assert same_bits(got.values, tsfilters.super_smoother(prices.values, 10)[shuffle])
    repeated = xr.concat([prices.isel(time=[0, 1, 2]), prices.isel(time=[2])], "time")
    for sort in (False, True):
        with pytest.raises(ValueError, match=r"coordinate 'time' (repeats 2020-01-03|"
                                             r"is not in time order)"):
            tsfilters.super_smoother(repeated, 10, sort=sort)
    undated = prices.isel(time=[0, 1, 2]).assign_coords(
        time=np.array(["2020-01-01", "NaT", "2020-01-03"], dtype="datetime64[ns]"))
    with pytest.raises(ValueError, match=r"coordinate 'time' has a missing time stamp \(NaT\) "
                                         r"at position 1"):
        tsfilters.super_smoother(undated, 10)


def test_sort_on_a_coordinate_that_is_not_dates_is_the_pandas_index_rule(prices):
    """The coordinate gets the check a pandas index gets: sort=True orders a
    numbered coordinate by its labels and refuses dates held as text, which
    it once took as given."""
    a = prices.isel(symbol=0)
    # Numbered from the end: label 0 is the last value, so sorted it runs backwards.
    steps = a.assign_coords(time=np.arange(a.sizes["time"])[::-1])
    got = tsfilters.super_smoother(steps, 10, sort=True, dim="time")
    assert np.array_equal(got.time.values, steps.time.values)
    assert same_bits(got.values, tsfilters.super_smoother(a.values[::-1], 10)[::-1])
    texts = a.assign_coords(time=np.datetime_as_string(a.time.values, unit="D").astype(object))
    with pytest.raises(ValueError, match=r"coordinate 'time' holds dates as text"):
        tsfilters.super_smoother(texts, 10, sort=True, dim="time")
    series = texts.to_pandas()
    with pytest.raises(ValueError, match=r"the index holds dates as text"):
        tsfilters.super_smoother(series, 10, sort=True)
