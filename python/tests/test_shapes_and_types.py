"""Series keep their index, 2-D input is filtered column by column, and any
1-D array-like is taken."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters


@pytest.fixture
def frame():
    rng = np.random.default_rng(7)
    index = pd.date_range("2024-01-01", periods=180, freq="B", name="date")
    return pd.DataFrame(50 + rng.normal(0, 1, (180, 3)).cumsum(axis=0),
                        index=index, columns=["wti", "gas", "fund"])


def test_series_in_series_out_with_the_same_index(frame):
    out = tsfilters.laguerre_filter(frame["gas"], gamma=0.7, period=15)
    assert isinstance(out, pd.Series) and out.dtype == np.float32
    assert out.index.equals(frame.index) and out.name == "gas"
    assert same_bits(out.to_numpy(), tsfilters.laguerre_filter(frame["gas"].to_numpy(), 0.7, 15))


@pytest.mark.parametrize("name", sorted(tsfilters.FILTERS))
def test_2d_input_equals_one_call_per_column(frame, name):
    function, params = tsfilters.FILTERS[name]
    kwargs = {p: 0.8 if p == "gamma" else 12 for p in params}
    whole = function(frame, **kwargs)
    assert isinstance(whole, pd.DataFrame)
    assert whole.index.equals(frame.index) and list(whole.columns) == list(frame.columns)
    array = function(frame.to_numpy(), **kwargs)  # C-ordered 2-D ndarray
    for i, column in enumerate(frame.columns):
        single = function(frame[column], **kwargs).to_numpy()
        assert same_bits(whole[column].to_numpy(), single)
        assert same_bits(array[:, i], single)


def test_any_1d_array_like(frame):
    x = frame["wti"].to_numpy()
    expected = tsfilters.super_smoother(x, 10)
    assert same_bits(tsfilters.super_smoother(list(x), 10), expected)
    assert same_bits(tsfilters.super_smoother(tuple(x), 10), expected)
    strided = np.repeat(x, 2)[::2]  # not contiguous
    assert same_bits(tsfilters.super_smoother(strided, 10), expected)
    assert same_bits(tsfilters.super_smoother(np.arange(120), 10),
                     tsfilters.super_smoother(np.arange(120, dtype=np.float32), 10))


def test_missing_values_kept_become_nan_and_propagate():
    x = pd.Series([1.0, 2.0, None, 4.0, 5.0], dtype="Float64")
    out = tsfilters.ultimate_smoother(x, 3, missing="keep")
    assert np.isnan(out.iloc[2]) and not np.isnan(out.iloc[0])
