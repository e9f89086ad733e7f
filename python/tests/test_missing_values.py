"""Gaps in a series stop the tool unless the caller says what to do, in the
same way from the command line and from Python."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters.cli import main

PRICES = np.array([10, 11, 12.5, 12, 13, 14, 13.5, 15, 16, 15.5], np.float32)


def file_with_gap(tmp_path, marker, row=4):
    cells = [f"{v:g}" for v in PRICES]
    cells[row] = marker
    rows = "".join(f"2024-01-{d + 1:02d},{c}\n" for d, c in enumerate(cells))
    path = tmp_path / "in.csv"
    path.write_text("date,close\n" + rows)
    return str(path)


@pytest.mark.parametrize("marker", ["", "NA", "N/A", "#N/A", "NaN", "nan", "null", "NULL", ".", "-"])
def test_every_marker_stops_the_tool_naming_the_line(tmp_path, capsys, marker):
    with pytest.raises(SystemExit) as exit:
        main(["apply", file_with_gap(tmp_path, marker)])
    assert exit.value.code == 1
    assert f":6: column 'close': missing value {marker!r}; pass --missing drop" in capsys.readouterr().err


def applied(tmp_path, capsys, marker, how):
    assert main(["apply", file_with_gap(tmp_path, marker), "--missing", how,
                 "--filter", "super_smoother:period=3"]) == 0
    cells = [line.split(",")[2] for line in capsys.readouterr().out.splitlines()[1:]]
    return cells, np.array([float(c) if c else np.nan for c in cells], np.float32)


def test_drop_filters_without_the_row_and_leaves_its_cell_empty(tmp_path, capsys):
    cells, values = applied(tmp_path, capsys, ".", "drop")
    assert cells[4] == ""
    expected = tsfilters.super_smoother(np.delete(PRICES, 4), 3)
    assert same_bits(np.delete(values, 4), expected)


def test_previous_carries_the_last_value_forward(tmp_path, capsys):
    _, values = applied(tmp_path, capsys, "#N/A", "previous")
    carried = PRICES.copy()
    carried[4] = carried[3]
    assert same_bits(values, tsfilters.super_smoother(carried, 3))


def test_python_takes_the_same_choices():
    x = pd.Series(PRICES.copy(), index=pd.date_range("2024-01-01", periods=10, name="date"))
    x.iloc[4] = np.nan
    with pytest.raises(ValueError, match="missing value.*2024-01-05.*position 4.*missing='drop'"):
        tsfilters.laguerre_filter(x, 0.8, 5)
    dropped = tsfilters.laguerre_filter(x, 0.8, 5, missing="drop")
    assert np.isnan(dropped.iloc[4])
    assert same_bits(dropped.drop(x.index[4]).to_numpy(), tsfilters.laguerre_filter(x.dropna(), 0.8, 5).to_numpy())
    assert same_bits(tsfilters.laguerre_filter(x, 0.8, 5, missing="previous").to_numpy(),
                     tsfilters.laguerre_filter(x.ffill(), 0.8, 5).to_numpy())
    kept = tsfilters.laguerre_filter(x.to_numpy(), 0.8, 5, missing="keep")
    assert np.isfinite(kept[1:4]).all() and np.isnan(kept[4:]).all()
    with pytest.raises(ValueError, match="missing must be one of"):
        tsfilters.laguerre_filter(x, 0.8, 5, missing="zero")


def test_leading_gaps_have_nothing_to_carry_and_are_dropped():
    x = np.array([np.nan, np.nan, 3, 4, np.nan, 6], np.float32)
    out = tsfilters.ultimate_smoother(x, 3, missing="previous")
    assert np.isnan(out[:2]).all()
    assert same_bits(out[2:], tsfilters.ultimate_smoother(np.array([3, 4, 4, 6], np.float32), 3))


def test_gaps_and_order_together_follow_time_not_position():
    index = pd.date_range("2024-01-01", periods=10)[::-1]
    x = pd.Series(PRICES[::-1].copy(), index=index)
    x.iloc[2] = np.nan  # 2024-01-08 in time order
    out = tsfilters.high_pass(x, 4, missing="previous")
    carried = PRICES.copy()
    carried[7] = carried[6]
    assert same_bits(out.to_numpy()[::-1], tsfilters.high_pass(carried, 4))
