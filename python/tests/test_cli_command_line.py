"""The command line is checked whole before any data is read, the column to
filter is never a guess, and quoted decimal commas and missing markers in
any case are read."""

import os

import numpy as np
import pytest
from conftest import same_bits

import tsfilters
from tsfilters.cli import main

CLOSES = [86.48, 87.1, 86.9, 88.25, 89.0, 88.4]


def write(path, text):
    path.write_text(text)
    return str(path)


def export(tmp_path, header, rows):
    return write(tmp_path / "in.csv", header + "\n" + "".join(r + "\n" for r in rows))


def run(capsys, argv):
    with pytest.raises(SystemExit) as exit:
        main(argv)
    return exit.value.code, capsys.readouterr().err


@pytest.mark.parametrize("args, message", [
    (["--decimal", "x"], "the decimal mark must be '.' or ','"),
    (["--sep", ";;"], "the separator must be one character"),
    (["--filter", "median"], "unknown filter 'median'"),
    (["--filter", "high_pass:gamma=2"], "high_pass takes period"),
    (["--filter", "high_pass:period=9", "--period", "9", "--filter", "high_pass"], "would appear twice"),
])
@pytest.mark.parametrize("command", ["apply", "plot"])
def test_a_wrong_command_line_exits_2_with_usage_before_reading(tmp_path, capsys, args, message, command):
    # A file with a gap: were it read first, the gap would be reported.
    csv = export(tmp_path, "date,close", ["2024-01-01,1", "2024-01-02,"])
    if command == "plot":  # plot takes its filters in one list
        filters = [b for a, b in zip(args, args[1:]) if a == "--filter"]
        rest = [b for a, b in zip([None] + args, args) if "--filter" not in (a, b)]
        args = rest + (["--filters", *filters] if filters else []) + ["-o", str(tmp_path / "c.png")]
    status, err = run(capsys, [command, csv] + args)
    assert status == 2 and message in err and f"usage: tsfilters {command}" in err
    assert os.listdir(tmp_path) == ["in.csv"]


def test_the_column_is_never_a_guess_among_several(tmp_path, capsys):
    # A broker export whose closing price has a name in another language.
    rows = [f"2024-01-{d + 1:02d};{c - 1};{c};{1000 + d}" for d, c in enumerate(CLOSES)]
    csv = export(tmp_path, "date;open;schluss;volume", rows)
    status, err = run(capsys, ["apply", csv, "--sep", ";"])
    assert status == 1 and "3 columns could be the prices: open, schluss, volume; choose one with --column" in err
    assert main(["apply", csv, "--sep", ";", "--column", "Schluss", "--filter", "high_pass:period=3"]) == 0
    lines = capsys.readouterr().out.splitlines()
    assert lines[0] == "date;open;schluss;volume;schluss_high_pass_3"


@pytest.mark.parametrize("header, chosen", [
    ("date,Open,Adj Close,Volume", "Adj Close"),
    ("date,open,PRICE,volume", "PRICE"),
    ("date,open,last,volume", "last"),
    ("date,open,settle,volume", "settle"),
    ("date,adj_close,volume", "adj_close"),
    ("date,open,close,adj close,volume", "close"),   # close is the documented default
])
def test_usual_names_of_a_closing_price_are_recognised(tmp_path, capsys, header, chosen):
    width = header.count(",")
    rows = [f"2024-01-{d + 1:02d}," + ",".join([f"{c}"] * width) for d, c in enumerate(CLOSES)]
    assert main(["apply", export(tmp_path, header, rows), "--filter", "super_smoother:period=3"]) == 0
    assert capsys.readouterr().out.splitlines()[0] == f"{header},{chosen}_super_smoother_3"


def test_two_usual_names_without_close_are_an_error(tmp_path, capsys):
    csv = export(tmp_path, "date,price,last", [f"2024-01-0{d + 1},1,2" for d in range(3)])
    status, err = run(capsys, ["apply", csv])
    assert status == 1 and "2 columns could be the prices: price, last" in err


def test_quoted_decimal_commas_in_a_comma_separated_file(tmp_path, capsys):
    rows = [f'2024-01-{d + 1:02d},"{c:.2f}"'.replace(".", ",") for d, c in enumerate(CLOSES)]
    csv = export(tmp_path, "date,close", rows)
    status, err = run(capsys, ["apply", csv])
    assert status == 1 and "pass --decimal ','" in err
    assert main(["apply", csv, "--decimal", ",", "--filter", "ultimate_smoother:period=3"]) == 0
    lines = capsys.readouterr().out.splitlines()
    expected = tsfilters.ultimate_smoother(np.array(CLOSES, np.float32), 3)
    # Filter cells hold the separator too, so they are quoted as well.
    cells = [line.split(',"')[-1].rstrip('"').replace(",", ".") for line in lines[1:]]
    assert lines[1].startswith('2024-01-01,"86,48","')
    assert same_bits(np.array(cells, np.float64).astype(np.float32), expected)
    assert main(["apply", csv, "--sep", ",", "--decimal", ","]) == 0


@pytest.mark.parametrize("marker", ["n/a", "N/a", "na", "Null", "NAN", "#n/a"])
def test_missing_markers_in_any_case(tmp_path, capsys, marker):
    rows = [f"2024-01-{d + 1:02d},{c}" for d, c in enumerate(CLOSES)]
    rows[3] = "2024-01-04," + marker
    csv = export(tmp_path, "date,close", rows)
    status, err = run(capsys, ["apply", csv])
    assert status == 1 and f":5: column 'close': missing value {marker!r}; pass --missing" in err
    assert main(["apply", csv, "--missing", "drop"]) == 0


def test_a_cell_that_is_neither_number_nor_marker_points_at_missing(tmp_path, capsys):
    csv = export(tmp_path, "date,close", ["2024-01-01,1", "2024-01-02,n.a."])
    status, err = run(capsys, ["apply", csv])
    assert status == 1 and "'n.a.' is not a number nor a missing-value marker" in err
    assert "--missing" in err


@pytest.mark.parametrize("absent, argv", [
    ("pandas", ["apply", "prices.csv"]),
    ("matplotlib", ["response", "-o", "gain.png"]),
])
def test_a_missing_package_is_one_line_naming_the_extra(tmp_path, absent, argv):
    """As a numpy-only `pip install tsfilters` leaves it: the command names
    the extra that brings what it needs, in one line, not a traceback."""
    import subprocess
    import sys
    from conftest import PYTHON_DIR
    code = (f"import sys; sys.modules[{absent!r}] = None\n"
            "from tsfilters.cli import main\n"
            f"sys.exit(main({argv!r}))")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         cwd=tmp_path, env={**os.environ, "PYTHONPATH": str(PYTHON_DIR)})
    assert run.returncode == 1 and run.stdout == ""
    assert run.stderr == (f"tsfilters: error: the command needs {absent}: "
                          'pip install "tsfilters[cli]" (Debian: python3-pandas '
                          "python3-matplotlib)\n")
    assert not (tmp_path / "gain.png").exists()
