"""Periods beyond single precision's reach: the limit each filter carries,
what it means on real numbers, and the warning at every way in."""

import subprocess
import sys
import warnings

import numpy as np
import pytest
from conftest import PYTHON_DIR

import tsfilters
from tsfilters import PrecisionWarning, precision_limit

SMOOTHERS = ["super_smoother", "ultimate_smoother", "laguerre_filter"]


def _step_end(name, period, low=50.0, high=70.0):
    """The last output after low through the warm-up, then high for 10
    periods (and at least 1,000 samples)."""
    row = tsfilters._engine.filter_table.FILTER_TABLE[name]
    x = np.full(row.warmup + max(10 * period, 1000), high, dtype=np.float32)
    x[:row.warmup] = low
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", PrecisionWarning)
        defaults = tsfilters._engine.filter_table.FILTER_TABLE[name].defaults
        return float(tsfilters.FILTERS[name][0](x, **{**defaults, "period": period})[-1])


@pytest.mark.parametrize("name", SMOOTHERS)
def test_the_limit_is_where_a_step_stops_arriving(name):
    limit = precision_limit(name)
    assert limit == 857
    assert abs(_step_end(name, limit) - 70) <= 0.07
    assert abs(_step_end(name, limit + 1) - 70) > 0.07
    # The error is relative to the level: ten times the prices, ten times the error.
    assert abs(_step_end(name, 5000, 500.0, 700.0) - 700) > 10 * 0.07


def test_filters_that_remove_the_level_have_none():
    for name in ["high_pass", "band_pass", "cybernetic_oscillator", "laguerre_oscillator"]:
        assert precision_limit(name) is None
    with pytest.raises(ValueError, match="unknown filter"):
        precision_limit("super_smother")


def test_every_way_in_warns_beyond_the_limit_and_only_there(wti):
    x = wti[:2000]
    calls = [
        lambda p: tsfilters.super_smoother(x, period=p),
        lambda p: tsfilters.laguerre_filter(x, gamma=0.5, period=p, warmup="nan"),
        lambda p: tsfilters.sweep(x, "ultimate_smoother", period=[20, p], frame=False),
        lambda p: tsfilters.Stream("ultimate_smoother", period=p),
        lambda p: tsfilters.Streams("super_smoother", 3, period=[10, p, 20]),
    ]
    for call in calls:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call(857)
            assert caught == []
            call(858)
        assert [w.category for w in caught] == [PrecisionWarning]
        assert "858" in str(caught[0].message) and caught[0].filename == __file__
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tsfilters.high_pass(x, period=100000)  # no limit: no warning


def test_the_command_line_says_it_in_one_line(tmp_path):
    run = subprocess.run([sys.executable, str(PYTHON_DIR / "bin/tsfilters"), "apply",
                          str(PYTHON_DIR.parent / "data/wti_daily.csv"), "--filter",
                          "super_smoother", "--period", "2000", "--filter", "high_pass",
                          "-o", str(tmp_path / "out.csv")], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert run.stderr.splitlines() == [
        "tsfilters: warning: " + tsfilters.precision.message("super_smoother", 2000)]
