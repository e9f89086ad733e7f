"""Price files as they are downloaded, and outputs that cannot go wrong
silently: separators, decimal commas, column names, bad -o, closed pipes."""

import os
import subprocess

import numpy as np
import pandas as pd
import pytest
from conftest import DATA, PYTHON_DIR, same_bits

import tsfilters
from tsfilters._frames import arrays as _arrays
from tsfilters.cli import csv_files as csvio
from tsfilters.cli import main

LAUNCHER = str(PYTHON_DIR / "bin" / "tsfilters")


def write(path, text):
    path.write_text(text)
    return str(path)


def fails(argv, capsys, status=1):
    with pytest.raises(SystemExit) as exit:
        main(argv)
    assert exit.value.code == status
    return capsys.readouterr().err


def test_semicolons_and_decimal_commas(tmp_path, capsys):
    comma = "date,close\n" + "".join(f"2024-01-{d:02d},{50 + d / 4:g}\n" for d in range(1, 25))
    semi = comma.replace(",", ";").replace(".", ",")
    source = write(tmp_path / "eu.csv", semi)
    assert "the file looks separated by semicolons: pass --sep ';' (and --decimal ','" in \
        fails(["apply", source], capsys)
    assert "'50,25' is not a number; for decimal commas pass --decimal ','" in \
        fails(["apply", source, "--sep", ";"], capsys)
    assert main(["apply", source, "--sep", ";", "--decimal", ",", "--filter", "high_pass:period=5"]) == 0
    lines = capsys.readouterr().out.splitlines()
    assert lines[0] == "date;close;close_high_pass_5"
    assert [line.rsplit(";", 1)[0] for line in lines] == semi.splitlines()
    values = np.array([float(line.rsplit(";", 1)[1].replace(",", ".")) for line in lines[1:]], np.float32)
    assert same_bits(values, tsfilters.high_pass(np.array([50 + d / 4 for d in range(1, 25)]), 5))


def test_column_names_ignore_case_but_prefer_an_exact_match(tmp_path, capsys):
    yahoo = write(tmp_path / "y.csv", "Date,Open,Close,Adj Close\n2024-01-02,1,2,3\n2024-01-03,1,4,5\n")
    assert main(["apply", yahoo, "--column", "close", "--filter", "super_smoother:period=3"]) == 0
    assert capsys.readouterr().out.splitlines()[1] == "2024-01-02,1,2,3,2.0"
    both = write(tmp_path / "b.csv", "date,Close,close\n2024-01-02,1,2\n")
    assert main(["apply", both, "--column", "Close"]) == 0
    assert capsys.readouterr().out.splitlines()[1] == "2024-01-02,1,2,1.0"
    assert "no column 'CLOSE'" in fails(["apply", both, "--column", "CLOSE"], capsys)


def test_a_file_with_only_a_header_is_an_error(tmp_path, capsys):
    for command in ("apply", "plot"):
        source = write(tmp_path / "h.csv", "date,close\n")
        err = fails([command, source, "-o", str(tmp_path / "out.png")], capsys)
        assert "h.csv: the header has no rows of data below it" in err
        assert sorted(os.listdir(tmp_path)) == ["h.csv"]


@pytest.mark.parametrize("output, status, message", [
    ("p.csv", 2, "cannot tell the image format from '{tmp}/p.csv'; end the name in .png, .svg, .pdf"),
    ("chart.jpg", 2, "cannot tell the image format from '{tmp}/chart.jpg'; end the name in .png, .svg, .pdf"),
    ("", 2, "-o needs a file name"),
    ("sub.png", 1, "cannot write {tmp}/sub.png: it is a directory"),
    ("no/such/c.png", 1, "cannot write {tmp}/no/such/c.png: no directory {tmp}/no/such"),
    ("same.png", 1, "cannot write {tmp}/same.png: it is the input file"),
])
def test_plot_refuses_bad_outputs_in_one_line_and_keeps_the_input(tmp_path, capsys, output, status,
                                                                  message):
    source = tmp_path / ("same.png" if output == "same.png" else "p.csv")
    source.write_bytes((DATA / "henry_hub_daily.csv").read_bytes())
    (tmp_path / "sub.png").mkdir()
    target = os.path.join(tmp_path, output) if output else ""
    err = fails(["plot", str(source), "-o", target], capsys, status)
    assert err.splitlines()[-1] == f"tsfilters{' plot' if status == 2 else ''}: error: " \
        + message.format(tmp=tmp_path)
    assert source.read_bytes() == (DATA / "henry_hub_daily.csv").read_bytes()
    assert sorted(os.listdir(tmp_path)) == sorted([source.name, "sub.png"])


def test_a_misspelt_option_shows_the_subcommands_usage(capsys):
    err = fails(["apply", str(DATA / "wti_daily.csv"), "--perod", "3"], capsys, 2)
    assert err.startswith("usage: tsfilters apply ")
    assert "tsfilters apply: error: unrecognized arguments: --perod 3" in err
    assert "usage: tsfilters plot " in fails(["plot", "x.csv", "-o", "c.png", "--last", "0"], capsys, 2)


def test_a_closed_pipe_ends_quietly():
    env = dict(os.environ, TSFILTERS_LIBRARY=os.environ.get(
        "TSFILTERS_LIBRARY", str(PYTHON_DIR.parent / "build/default/libtsfilters.so")))
    run = subprocess.run(f"'{LAUNCHER}' apply '{DATA / 'wti_daily.csv'}' | head -2; "
                         "echo \"status ${PIPESTATUS[0]}\"",
                         shell=True, executable="/bin/bash", capture_output=True, text=True, env=env)
    assert run.stderr == ""
    assert run.stdout.splitlines() == ["date,close,close_ultimate_smoother_20", "1986-01-02,25.56,25.56",
                                       "status 141"]


def test_a_float32_series_reaches_the_library_without_a_copy(monkeypatch):
    x = pd.Series(np.linspace(1, 2, 300, dtype=np.float32),
                  index=pd.date_range("2024-01-01", periods=300, freq="min"))
    seen = []
    real = _arrays.apply

    def spy(values, call, **options):
        return real(values, lambda src, n, dst: (seen.append(src.ctypes.data), call(src, n, dst)),
                    **options)

    monkeypatch.setattr("tsfilters._calls.apply", spy)
    tsfilters.ultimate_smoother(x, 20)
    assert seen == [x.to_numpy().ctypes.data]


def test_long_files_are_written_a_batch_at_a_time(tmp_path, monkeypatch):
    rows = 2 * csvio._BATCH + 5
    source = write(tmp_path / "long.csv", "n,close\n" + "".join(f"{i},{i % 97}\n" for i in range(rows)))
    sizes = []
    real = csvio.format_float32
    monkeypatch.setattr(csvio, "format_float32", lambda v, d=".": (sizes.append(len(v)), real(v, d))[1])
    assert main(["apply", source, "-o", str(tmp_path / "out.csv")]) == 0
    assert sizes == [csvio._BATCH, csvio._BATCH, 5]
    back = pd.read_csv(tmp_path / "out.csv")
    assert same_bits(back["close_ultimate_smoother_20"].to_numpy(np.float32),
                     tsfilters.ultimate_smoother(np.arange(rows) % 97, 20))
