"""The measured frequency response of the filters against their transfer
functions, worked out here from the coefficients' own derivation."""

import math

import numpy as np
import pytest

import tsfilters
from tsfilters import cli
from tsfilters._engine.filter_table import FILTER_TABLE

K1, K2, K3 = -1.414 * 3.14159, 1.414 * 180, 3.1415926535 / 180


def two_pole(period):
    a1 = math.exp(K1 / period)
    c2 = math.cos((K2 / period) * K3) * (a1 + a1)
    c3 = -a1 * a1
    return c2, c3, ((c2 + 1) - c3) * 0.25, (1 - c2) - c3


def ultimate(z, period):
    c2, c3, c1, _ = two_pole(period)
    return ((1 - c1) + (2 * c1 - c2) / z - (c1 + c3) / z**2) / (1 - c2 / z - c3 / z**2)


def high(z, period):
    c2, c3, c1, _ = two_pole(period)
    return c1 * (1 - 1 / z) ** 2 / (1 - c2 / z - c3 / z**2)


def super_(z, period):
    c2, c3, _, c1 = two_pole(period)
    return c1 * 0.5 * (1 + 1 / z) / (1 - c2 / z - c3 / z**2)


def laguerre_stage(z, gamma):
    return (1 - gamma) / z / (1 - gamma / z)


TRANSFER = {
    "high_pass": lambda z, p: high(z, p["period"]),
    "super_smoother": lambda z, p: super_(z, p["period"]),
    "ultimate_smoother": lambda z, p: ultimate(z, p["period"]),
    "band_pass": lambda z, p: high(z, p["high_pass_period"]) * super_(z, p["smooth_period"]),
    "cybernetic_oscillator":
        lambda z, p: high(z, p["high_pass_period"]) * super_(z, p["smooth_period"]),
    "laguerre_filter": lambda z, p: ultimate(z, p["period"]) * sum(
        w * laguerre_stage(z, p["gamma"]) ** k for k, w in [(0, 1), (1, 4), (2, 6), (3, 4), (5, 1)]) / 16,
}
# Every filter with a transfer function here, at its defaults, and a few at
# other parameters. (The Laguerre oscillator's response is checked against
# its transfer function with the other oscillator tests, in C++.)
PARAMETERS = [(name, FILTER_TABLE[name].defaults) for name in TRANSFER] + [
    ("ultimate_smoother", {"period": 7}), ("high_pass", {"period": 120}),
    ("laguerre_filter", {"gamma": 0.3, "period": 12}), ("band_pass", {"high_pass_period": 30,
                                                                     "smooth_period": 6}),
]


@pytest.mark.parametrize("name,parameters", PARAMETERS)
def test_measured_response_matches_the_transfer_function(name, parameters):
    measured = tsfilters.response(name, max_period=300, **parameters)
    assert measured.period[0] >= 2 and measured.period[-1] <= 300
    assert np.all(np.diff(measured.period) > 0)
    z = np.exp(2j * np.pi / measured.period)
    theory = TRANSFER[name](z, {k: float(np.float32(v)) if k == "gamma" else v
                                for k, v in parameters.items()})
    if FILTER_TABLE[name].rms_scaled:
        theory = theory / np.abs(theory).max()
    omega = 2 * np.pi / measured.period
    silent = np.isnan(measured.lag)
    assert (np.abs(theory[silent]) < 2e-4 * np.abs(theory).max()).all()
    got = measured.gain * np.exp(-1j * omega * np.where(silent, 0, measured.lag))
    theory[silent] = np.abs(theory[silent])  # no phase to compare there
    # Each output is rounded to float32 and fed back, which the exact
    # transfer function does not see: a few 1e-6 of the peak gain at most.
    error = np.abs(got - theory).max() / np.abs(theory).max()
    assert error < 1e-5, error


def test_what_the_response_says_about_the_smoothers():
    smooth = tsfilters.response("super_smoother", period=20)
    long_cycles = smooth.period > 200
    assert np.allclose(smooth.gain[long_cycles], 1, atol=0.01)  # a trend passes
    assert smooth.gain[smooth.period < 5].max() < 0.1            # noise does not
    assert (smooth.lag[long_cycles] > 0).all()


def test_unstable_parameters_have_no_response():
    with pytest.raises(ValueError, match="does not settle"):
        tsfilters.response("high_pass", period=0)
    with pytest.raises(ValueError, match="unknown filter"):
        tsfilters.response("notch")


def test_the_response_chart_is_drawn(tmp_path, capsys):
    out = tmp_path / "response.png"
    assert cli.main(["response", "ultimate_smoother", "laguerre_filter:gamma=0.5",
                     "--period", "30", "-o", str(out)]) == 0
    assert out.stat().st_size > 10_000
    with pytest.raises(SystemExit):
        cli.main(["response", "smoother", "-o", str(out)])
    assert "unknown filter" in capsys.readouterr().err
