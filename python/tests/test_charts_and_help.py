"""Charts show what is reliable, and --help says what users trip on."""

import numpy as np
import pytest
from conftest import DATA, OSCILLATORS

import tsfilters
from tsfilters import chart, cli
from tsfilters.cli import main
from tsfilters.settling import settling_length


def test_settling_length_is_where_the_step_response_stays_within_one_percent():
    for name, (function, parameters) in tsfilters.FILTERS.items():
        length = settling_length(name)
        step = np.zeros(2000, np.float32)
        step[4 if name != "super_smoother" else 2:] = 1
        defaults = {p: 0.8 if p == "gamma" else (48 if p == "high_pass_period" else
                                                 10 if p == "smooth_period" else 20)
                    for p in parameters}
        response = function(step, **defaults, missing="keep").astype(np.float64)
        start = 1 if name == "laguerre_filter" else 0
        swing = np.abs(response[start:] - response[-1])
        inside = swing <= 0.01 * swing.max()
        assert inside[length - start:].all() and not inside[length - start - 1], name
    assert settling_length("ultimate_smoother", period=40) > settling_length("ultimate_smoother")
    assert settling_length("high_pass", period=0) is None


@pytest.fixture(scope="module")
def help_text():
    return {command: cli.build_parser().subcommands[command].format_help()
            for command in ("apply", "plot")}


def test_help_tells_the_scale_rule_the_nan_rule_and_the_settling_lengths(help_text):
    for text in help_text.values():
        flat = " ".join(text.split())
        assert "divided by the RMS of their first 100 values" in flat
        assert "one missing value would make every later output NaN" in flat
        assert "--missing drop" in flat and "--sort" in flat
        for name in tsfilters.FILTERS:
            assert f"  {name:<23}{settling_length(name)}\n" in text


def draw(series, names, last=None):
    """The figure `plot` would draw for a bare series of prices."""
    lines = []
    for name in names:
        function, parameters = tsfilters.FILTERS[name]
        values = function(series, **{p: 0.8 if p == "gamma" else 20 for p in parameters})
        lines.append((name, name, values, settling_length(name, **{p: 0.8 if p == "gamma" else 20
                                                                   for p in parameters}),
                      None if np.isfinite(values).any() else "needs 100 rows"))
    x = np.arange(len(series))
    fig = chart.figure(x, series, "close", lines, "t")
    fig.canvas.draw()
    return fig


def test_the_warm_up_is_faint_and_shaded_and_the_legend_is_beside_the_plot():
    close = np.loadtxt(DATA / "wti_daily.csv", delimiter=",", skiprows=1, usecols=1,
                       dtype=np.float32)[:400]
    fig = draw(close, ["ultimate_smoother", OSCILLATORS[-1]])
    price, oscillators = fig.axes
    faint = [line for line in price.get_lines() if line.get_alpha() == 0.35]
    assert len(faint) == 1 and len(faint[0].get_xdata()) == settling_length("ultimate_smoother") + 1
    assert any(patch.get_label() == "settling" for patch in price.patches)
    for axis in fig.axes:
        legend = axis.get_legend().get_window_extent()
        assert legend.x0 >= axis.get_window_extent().x1  # nothing drawn is covered


def test_an_oscillator_panel_that_cannot_be_drawn_says_why(tmp_path, capsys):
    short = tmp_path / "short.csv"
    short.write_text("".join((DATA / "wti_daily.csv").read_text().splitlines(True)[:58]))
    out = tmp_path / "c.svg"
    assert main(["plot", str(short), "-o", str(out), "--filters", "cybernetic_oscillator"]) == 0
    svg = out.read_text()
    # matplotlib writes text as glyph paths; the comment it keeps names it.
    assert "needs at least 100 rows, the series has 57" in svg


def test_long_series_are_thinned_to_the_envelope():
    y = np.sin(np.arange(1_000_000) / 5000.0)
    y[123_456] = 9.0  # a single spike must survive
    x = np.arange(y.size)
    tx, ty = chart.thin(x, y)
    assert ty.size < 4 * chart._BUCKETS + 2 and np.all(np.diff(tx) > 0)
    assert ty.max() == 9.0 and ty.min() == y.min() and tx[0] == 0 and tx[-1] == y.size - 1
