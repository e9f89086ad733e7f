"""Series run oldest first whatever order they come in, and dates that
cannot be put in order are refused."""

import numpy as np
import pandas as pd
import pytest
from conftest import DATA, OSCILLATORS, same_bits

import tsfilters
from tsfilters._engine.filter_table import FILTER_TABLE
from tsfilters.cli import main


def write(path, text):
    path.write_text(text)
    return str(path)


@pytest.fixture(scope="module")
def wti():
    return pd.read_csv(DATA / "wti_daily.csv", index_col="date", parse_dates=True)["close"]


def newest_first(tmp_path):
    lines = (DATA / "wti_daily.csv").read_text().splitlines()
    return write(tmp_path / "nf.csv", "\n".join(lines[:1] + lines[:0:-1]) + "\n")


def test_a_newest_first_file_is_filtered_oldest_first_and_kept_in_its_order(tmp_path, capsys):
    out = tmp_path / "out.csv"
    # The oscillators' scale comes from the oldest rows, the end of the file.
    filters = [arg for name in OSCILLATORS for arg in ("--filter", name)]
    assert main(["apply", newest_first(tmp_path), *filters,
                 "--filter", "laguerre_filter", "-o", str(out)]) == 0
    assert "runs newest first" in capsys.readouterr().err
    back = pd.read_csv(out)
    assert back["date"].iloc[0] == "2026-08-18"  # rows stay where they were
    forward = pd.read_csv(DATA / "wti_daily.csv")["close"].to_numpy(np.float32)
    for name in OSCILLATORS:
        function, parameters = tsfilters.FILTERS[name]
        defaults = FILTER_TABLE[name].defaults
        column = "_".join(["close", name] + [f"{defaults[key]:g}" for key in parameters])
        assert same_bits(back[column].to_numpy(np.float32)[::-1], function(forward, **defaults))
    # The slot the library never writes is the oldest row's, at the end.
    assert np.isnan(back["close_laguerre_filter_0.8_20"].iloc[-1])


def test_a_newest_first_series_gives_each_date_the_oldest_first_value(wti):
    forward = tsfilters.ultimate_smoother(wti, 20)
    backward = tsfilters.ultimate_smoother(wti[::-1], 20)
    assert backward.index.equals(wti.index[::-1])
    assert same_bits(backward[wti.index].to_numpy(), forward.to_numpy())
    monthly = wti.iloc[:300].set_axis(pd.period_range("1990-01", periods=300, freq="M"))
    assert same_bits(tsfilters.ultimate_smoother(monthly[::-1], 20).to_numpy()[::-1],
                     tsfilters.ultimate_smoother(monthly, 20).to_numpy())
    frame = tsfilters.band_pass(wti.to_frame()[::-1], 48, 10)
    assert same_bits(frame["close"][wti.index].to_numpy(), tsfilters.band_pass(wti, 48, 10).to_numpy())


def test_unsorted_or_repeated_labels_are_named_and_sort_sorts(wti):
    shuffled = wti.iloc[[0, 1, 3, 2, 4] + list(range(5, 300))]
    with pytest.raises(ValueError, match="1986-01-07 00:00:00 is followed by 1986-01-06.*sort=True"):
        tsfilters.super_smoother(shuffled, 10)
    sorted_out = tsfilters.super_smoother(shuffled, 10, sort=True)
    assert sorted_out.index.equals(shuffled.index)
    assert same_bits(sorted_out[wti.index[:300]].to_numpy(),
                     tsfilters.super_smoother(wti.iloc[:300].to_numpy(), 10))
    repeated = wti.iloc[[0, 1, 2, 2, 3]]
    for sort in (False, True):
        with pytest.raises(ValueError, match="repeats 1986-01-06"):
            tsfilters.super_smoother(repeated, 10, sort=sort)


def test_arrays_and_undated_series_are_taken_as_oldest_first():
    x = np.arange(50, dtype=np.float32)[::-1]
    as_series = pd.Series(x, index=[f"row{i}" for i in range(50)])
    assert same_bits(tsfilters.high_pass(as_series, 10).to_numpy(), tsfilters.high_pass(x, 10))


ROWS = ["2024-01-02,10", "2024-01-03,11", "2024-01-05,12", "2024-01-04,13", "2024-01-08,14"]


@pytest.mark.parametrize("rows, message", [
    (ROWS, ":5: date '2024-01-04' follows '2024-01-05' on line 4: the rows are not in time order"),
    (ROWS[:2] + ["2024-01-03,12"] + ROWS[3:], ":4: date '2024-01-03' repeats line 3"),
    (["2024-01-08,14", "2024-01-05,12", "2024-01-05,9", "2024-01-04,13"],
     ":4: date '2024-01-05' repeats line 3"),  # newest first, then a repeat
])
@pytest.mark.parametrize("command", ["apply", "plot"])
def test_dates_out_of_order_stop_the_tool_naming_the_line(tmp_path, capsys, rows, message, command):
    csv = write(tmp_path / "in.csv", "date,close\n" + "\n".join(rows) + "\n")
    with pytest.raises(SystemExit) as exit:
        main([command, csv, "-o", str(tmp_path / "out.png")])
    assert exit.value.code == 1
    assert message in capsys.readouterr().err
    assert not (tmp_path / "out.png").exists()


def test_sort_filters_in_date_order_and_keeps_the_rows_where_they_were(tmp_path, capsys):
    csv = write(tmp_path / "in.csv", "date,close\n" + "\n".join(ROWS) + "\n")
    assert main(["apply", csv, "--sort", "--filter", "super_smoother:period=3"]) == 0
    lines = capsys.readouterr().out.splitlines()
    assert [line.split(",")[0] for line in lines[1:]] == [row.split(",")[0] for row in ROWS]
    by_date = np.array([10, 11, 13, 12, 14], np.float32)
    expected = tsfilters.super_smoother(by_date, 3)[[0, 1, 3, 2, 4]]
    assert same_bits(np.array([float(line.split(",")[2]) for line in lines[1:]], np.float32),
                     expected)
