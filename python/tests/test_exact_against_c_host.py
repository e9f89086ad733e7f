"""The Python wrappers give the C example host's numbers to the bit."""

import numpy as np
import pytest
from conftest import DATA, same_bits

import tsfilters
from tsfilters import csvio

# The host's seven columns, in its order, as Python calls.
HOST_COLUMNS = [
    lambda x: tsfilters.ultimate_smoother(x, period=20),
    lambda x: tsfilters.super_smoother(x, period=10),
    lambda x: tsfilters.high_pass(x, period=48),
    lambda x: tsfilters.band_pass(x, high_pass_period=48, smooth_period=10),
    lambda x: tsfilters.cybernetic_oscillator(x, high_pass_period=48, smooth_period=10),
    lambda x: tsfilters.laguerre_filter(x, gamma=0.8, period=20),
    lambda x: tsfilters.laguerre_oscillator(x, gamma=0.8, period=20),
]


@pytest.mark.parametrize("name", ["wti_daily.csv", "henry_hub_daily.csv", "tsp_c_fund_daily.csv"])
def test_every_filter_matches_the_c_host_bit_for_bit(host_demo, name):
    dates, (close, *columns) = host_demo(DATA / name)
    # The CLI's reading of the file rounds to the same floats as strtof.
    table = csvio.read_table(DATA / name)
    assert list(table.cells("date")) == dates
    assert same_bits(csvio.numbers(table, "close").astype(np.float32), close)

    for call, expected in zip(HOST_COLUMNS, columns):
        got = call(close)
        assert got.dtype == np.float32
        if call is HOST_COLUMNS[5]:
            # The host seeds the unwritten slot 0 with the input; we leave NaN.
            assert np.isnan(got[0])
            got, expected = got[1:], expected[1:]
        assert same_bits(got, expected)


def test_float64_input_is_rounded_to_float32_first(host_demo):
    _, (close, ultimate, *_) = host_demo(DATA / "wti_daily.csv")
    as_double = close.astype(np.float64) + 1e-12  # rounds back to the same floats
    assert same_bits(tsfilters.ultimate_smoother(as_double, 20), ultimate)
