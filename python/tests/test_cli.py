"""The command-line tool: round trip through CSV, charts, and errors that
name the problem and leave no half-written file."""

import os
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest
from conftest import DATA, PYTHON_DIR, same_bits

import tsfilters
from tsfilters.cli import main

PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


def write(path, text):
    path.write_text(text)
    return str(path)


def test_apply_round_trip_keeps_input_text_and_adds_exact_columns(tmp_path):
    source = DATA / "henry_hub_daily.csv"
    out = tmp_path / "out.csv"
    assert main(["apply", str(source), "--filter", "laguerre_filter", "--gamma", "0.8",
                 "--period", "20", "--filter", "band_pass:smooth_period=8",
                 "-o", str(out)]) == 0
    lines_in = source.read_text().splitlines()
    lines_out = out.read_text().splitlines()
    assert lines_out[0] == "date,close,close_laguerre_filter_0.8_20,close_band_pass_48_8"
    assert [line.rsplit(",", 2)[0] for line in lines_out] == lines_in
    back = pd.read_csv(out)
    close = back["close"].to_numpy(np.float32)
    assert same_bits(back["close_laguerre_filter_0.8_20"].to_numpy(np.float32),
                     tsfilters.laguerre_filter(close, 0.8, 20))
    assert same_bits(back["close_band_pass_48_8"].to_numpy(np.float32), tsfilters.band_pass(close, 48, 8))
    assert lines_out[1].split(",")[2] == ""  # the unwritten slot 0 is an empty cell


def test_apply_finds_a_price_column_by_its_usual_name_and_prints_to_stdout(tmp_path, capsys):
    csv = write(tmp_path / "p.csv", "when,open,price,note\n" +
                "".join(f"2024-01-{d:02d},{d},{d * 2},x\n" for d in range(1, 11)))
    assert main(["apply", csv, "--filter", "super_smoother:period=4"]) == 0
    lines = capsys.readouterr().out.splitlines()
    assert lines[0] == "when,open,price,note,price_super_smoother_4"
    assert lines[1] == "2024-01-01,1,2,x,2.0"  # slots 0-1 copy the input (price)


@pytest.mark.parametrize("name", ["wti_daily.csv", "henry_hub_daily.csv", "tsp_c_fund_daily.csv"])
def test_plot_draws_each_bundled_series(tmp_path, capsys, name):
    chart = tmp_path / "chart.png"
    assert main(["plot", str(DATA / name), "-o", str(chart), "--last", "300"]) == 0
    assert chart.read_bytes().startswith(PNG_MAGIC)
    assert os.listdir(tmp_path) == ["chart.png"]


def test_plot_finds_dates_under_any_name_or_uses_sample_numbers(tmp_path):
    rows = "".join(f"{20240101 + d},x,0{d}/01/2024,{50 + d % 7}\n" for d in range(1, 9))
    csv = write(tmp_path / "odd.csv", "id,tag,day,price\n" + rows)
    assert main(["plot", csv, "-o", str(tmp_path / "a.png"), "--filters", "ultimate_smoother",
                 "--dayfirst"]) == 0
    numbers = write(tmp_path / "n.csv", "a,b\n" + "".join(f"{i},{i * i}\n" for i in range(150)))
    assert main(["plot", numbers, "-o", str(tmp_path / "b.svg"), "--column", "b"]) == 0
    assert (tmp_path / "b.svg").read_text().lstrip().startswith("<?xml")


@pytest.mark.parametrize("content, args, status, message", [
    (None, [], 1, "cannot read"),
    ("date,close\n2024-01-01,1\n", ["--column", "open"], 1, "no column 'open'; the columns are date, close"),
    ("date,close\n2024-01-01,1\n2024-01-02,1.5\n2024-01-03,n/b\n", [], 1, ":4: column 'close': 'n/b' is not a number nor a missing-value marker"),
    ("date,close\n2024-01-01,1\n2024-01-02\n", [], 1, ":3: 1 fields, the header has 2"),
    ("date,close\n2024-01-01,1,3\n2024-01-02,2,4\n", [], 1, ":2: 3 fields, the header has 2"),
    ("date,close\n2024-01-01,1\n\n2024-01-02,2,4\n", [], 1, ":4: 3 fields, the header has 2"),
    ("date,close\n2024-01-01,\n", [], 1, ":2: column 'close': missing value ''"),
    ("", [], 1, "the file is empty"),
    ("date,note\n2024-01-01,x\n", [], 1, "no column holds only numbers"),
    ("date,close\n2024-01-01,1\n", ["--filter", "median"], 2, "unknown filter 'median'"),
    ("date,close\n2024-01-01,1\n", ["--filter", "band_pass:gamma=1"], 2, "band_pass takes"),
    ("date,close\n2024-01-01,1\n", ["--period", "3000000000"], 2, "outside the int32 range"),
    ("date,close\n2024-01-01,1\n", ["--filter", "high_pass", "--filter", "high_pass"], 2, "twice"),
])
def test_apply_errors_name_the_problem_and_write_nothing(tmp_path, capsys, content, args, status, message):
    csv = str(tmp_path / "missing.csv") if content is None else write(tmp_path / "in.csv", content)
    out = tmp_path / "out.csv"
    out.write_text("previous result\n")
    with pytest.raises(SystemExit) as exit:
        main(["apply", csv, "-o", str(out)] + args)
    assert exit.value.code == status
    assert message in capsys.readouterr().err
    assert out.read_text() == "previous result\n"
    assert sorted(os.listdir(tmp_path)) == sorted(["out.csv"] + ([] if content is None else ["in.csv"]))


def test_plot_reports_a_bad_date_with_its_line(tmp_path, capsys):
    csv = write(tmp_path / "in.csv", "date,close\n2024-01-01,1\n2024-13-45,2\n")
    with pytest.raises(SystemExit) as exit:
        main(["plot", csv, "-o", str(tmp_path / "c.png")])
    assert exit.value.code == 1
    assert ":3: column 'date': '2024-13-45' is not a date" in capsys.readouterr().err
    assert os.listdir(tmp_path) == ["in.csv"]


@pytest.mark.parametrize("command", [[], ["apply"], ["plot"]])
def test_help_from_the_module_and_the_launcher(command):
    for launcher in ([sys.executable, "-m", "tsfilters"], [str(PYTHON_DIR / "bin" / "tsfilters")]):
        run = subprocess.run(launcher + command + ["--help"], cwd=PYTHON_DIR,
                             capture_output=True, text=True)
        assert run.returncode == 0 and "usage: tsfilters" in run.stdout
