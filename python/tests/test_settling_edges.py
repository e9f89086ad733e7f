"""gamma's endpoints, settling that ends on the wrong level, and the
single-precision drift of the smoothers at long periods, as the page that
documents them states."""

import re

import numpy as np
import pytest
from conftest import REPO, same_bits

import tsfilters
from tsfilters import settling

PAGE = (REPO / "docs" / "python-edges.md").read_text()
SMOOTHERS = ["super_smoother", "ultimate_smoother", "laguerre_filter"]


def test_gamma_endpoints_keep_their_arithmetic():
    x = (100 + np.random.default_rng(5).standard_normal(300).cumsum()).astype(np.float32)
    smooth = tsfilters.ultimate_smoother(x, 20)
    assert same_bits(tsfilters.laguerre_filter(x, 1.0, 20)[1:], (smooth / np.float32(16))[1:])
    # gamma 0: a fixed average of the smoothed input, as the page states.
    average = np.convolve(smooth.astype(np.float64), [1, 4, 6, 4, 0, 1])[:x.size] / 16
    assert np.allclose(tsfilters.laguerre_filter(x, 0.0, 20)[8:], average[8:], rtol=1e-5)


@pytest.mark.parametrize("name, parameters", [
    ("laguerre_filter", {"gamma": 1.0}),
    ("super_smoother", {"period": 20_000}),
    ("super_smoother", {"period": 100_000}),
    ("ultimate_smoother", {"period": 0}),
])
def test_settling_is_none_where_the_output_never_follows(name, parameters):
    assert settling.settling_length(name, **parameters) is None


def test_settling_still_measures_what_does_settle():
    assert settling.settling_length("laguerre_filter", gamma=0.99) > settling.settling_length("laguerre_filter")
    assert settling.settling_length("high_pass") is not None  # settles on zero
    assert [settling.follows_its_input(name) for name in tsfilters.FILTERS] == \
        [False, True, True, False, False, True, False]


def test_the_drift_table_is_what_the_library_computes():
    section = PAGE[PAGE.index("| filter |"):]
    section = section[:section.index("\n\n")]  # this table alone
    periods = [int(p.replace(",", "")) for p in re.findall(r"\| ([\d,]+) ", section.splitlines()[0])]
    rows = re.findall(r"^\| `(\w+)` \| (.*) \|$", section, flags=re.M)
    assert [name for name, _ in rows] == SMOOTHERS
    for name, cells in rows:
        measured = [f"{settling.held_level(name, period=p):.6g}" for p in periods]
        assert cells.split(" | ") == measured, name


@pytest.fixture(scope="module")
def tracked():
    return {name: settling.tracking_periods(name) for name in SMOOTHERS}


def test_the_tracking_range_on_the_page_is_the_function_s(tracked):
    stated = re.search(r"returns\s+`(range\(\d+, \d+\))`", PAGE)[1]
    assert all(str(periods) == stated for periods in tracked.values())


def test_the_tracking_range_agrees_with_single_calls(tracked):
    # Its ends, checked by the batch call rather than the lanes.
    for name, periods in tracked.items():
        def error(p):
            return abs(settling.held_level(name, period=p, samples=1 << 16) - 80) / 80
        assert error(periods[-1]) <= 0.001 < error(periods[-1] + 1), name
        assert error(periods[0]) <= 0.001
    with pytest.raises(ValueError, match="removes a constant"):
        settling.tracking_periods("band_pass")
