"""Slots the library leaves alone come back as NaN; odd parameters pass
through to the library unchanged."""

import ctypes

import numpy as np
import pytest
from conftest import OSCILLATORS, same_bits

import tsfilters
from tsfilters._engine.filter_table import FILTER_TABLE


def at_defaults(name):
    """Filter `name` at the table's defaults, as a function of the series."""
    function, _ = tsfilters.FILTERS[name]
    return lambda x: function(x, **FILTER_TABLE[name].defaults)


def prices(n, seed=1):
    rng = np.random.default_rng(seed)
    return (50 + np.cumsum(rng.normal(0, 1, n))).astype(np.float32)


def test_laguerre_filter_slot_zero_is_nan_and_the_rest_written():
    out = tsfilters.laguerre_filter(prices(300), gamma=0.8, period=20)
    assert np.isnan(out[0]) and np.isfinite(out[1:]).all()


@pytest.mark.parametrize("name", OSCILLATORS)
def test_oscillators_need_100_samples(name):
    oscillator = at_defaults(name)
    assert np.isnan(oscillator(prices(99))).all()
    assert np.isfinite(oscillator(prices(100))).all()


@pytest.mark.parametrize("name", OSCILLATORS)
def test_oscillators_with_zero_rms_are_all_nan(name):
    assert np.isnan(at_defaults(name)(np.zeros(250, np.float32))).all()


def test_empty_input_gives_empty_output():
    for name, (function, params) in tsfilters.FILTERS.items():
        out = function(np.array([], np.float32), **{p: 0.5 if p == "gamma" else 20 for p in params})
        assert out.shape == (0,) and out.dtype == np.float32, name


def direct(c_name, x, *parameters):
    """The C function called straight through ctypes, into a NaN-filled
    output: what the wrapper must return when it passes parameters on
    unchanged."""
    out = np.full(len(x), np.nan, np.float32)
    pointer = ctypes.POINTER(ctypes.c_float)
    tsfilters._engine.library.functions()[c_name](x.ctypes.data_as(pointer), *parameters, len(x),
                                            out.ctypes.data_as(pointer))
    return out


def test_periods_the_library_accepts_are_not_rejected():
    x = prices(50)
    zero = tsfilters.ultimate_smoother(x, period=0)
    assert np.array_equal(zero[:4], x[:4]) and np.isnan(zero[4:]).all()
    # A negative period makes the recursion grow: not finite, and not refused.
    negative = tsfilters.high_pass(x, period=-5)
    assert same_bits(negative, direct("HighPass", x, -5))
    assert (negative[:4] == 0).all() and np.abs(negative[-1]) > 1e6
    assert same_bits(tsfilters.laguerre_filter(x, gamma=1.5, period=2),
                     direct("LaguerreFilter", x, 1.5, 2))
    assert same_bits(tsfilters.band_pass(x, -(2**31), 2**31 - 1),
                     direct("BandPass", x, -(2**31), 2**31 - 1))


@pytest.mark.parametrize("name", list(FILTER_TABLE))
def test_inputs_are_left_untouched_and_calls_repeat(name):
    x = prices(200)
    keep = x.copy()
    first = at_defaults(name)(x)
    assert np.array_equal(x, keep)
    assert same_bits(first, at_defaults(name)(x))
