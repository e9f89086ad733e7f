"""An infinity, or a float64 beyond float32's range (inf once converted),
ruins every later output just as a NaN does, so every entry point treats it
as a gap: refused by default and named, dropped or carried over on request."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters import Stream, Streams
from tsfilters.cli import main

PRICES = np.array([10, 11, 12.5, 12, 13, 14, 13.5, 15, 16, 15.5])
DATES = pd.date_range("2024-01-01", periods=10)


@pytest.mark.parametrize("bad", [np.inf, -np.inf, 1e39, -4e38])
def test_functions_treat_infinities_as_gaps_in_every_mode(bad):
    x = PRICES.copy()
    x[4] = bad
    with pytest.raises(ValueError, match="infinite value.*position 4.*missing='drop'"):
        tsfilters.super_smoother(x, 3)
    dropped = tsfilters.super_smoother(x, 3, missing="drop")
    assert np.isnan(dropped[4])
    assert same_bits(np.delete(dropped, 4), tsfilters.super_smoother(np.delete(PRICES, 4), 3))
    carried = PRICES.copy()
    carried[4] = carried[3]
    assert same_bits(tsfilters.super_smoother(x, 3, missing="previous"),
                     tsfilters.super_smoother(carried, 3))
    with pytest.raises(ValueError, match="infinite value.*2024-01-05.*position 4"):
        tsfilters.super_smoother(pd.Series(x, index=DATES), 3)


def test_wide_tables_and_sweeps_name_the_column_and_date():
    table = pd.DataFrame({"a": PRICES, "b": PRICES, "c": PRICES}, index=DATES)
    table.iloc[6, 1] = np.inf
    with pytest.raises(ValueError, match=r"column 'b' has an infinite value .* at 2024-01-07.*position 6"):
        tsfilters.ultimate_smoother(table, 3)
    for bad in (np.nan, -np.inf):  # NaN too: the column was never named
        array = np.column_stack([PRICES] * 3)
        array[2, 2] = bad
        with pytest.raises(ValueError, match="column 2 has .* at position 2"):
            tsfilters.ultimate_smoother(array, 3)
    out = tsfilters.ultimate_smoother(table, 3, missing="drop")
    assert np.isnan(out.iloc[6, 1]) and same_bits(out["a"], tsfilters.ultimate_smoother(PRICES, 3))
    x = PRICES.copy()
    x[8] = 1e300
    with pytest.raises(ValueError, match="infinite value .* at position 8"):
        tsfilters.sweep(x, "high_pass", period=[3, 4])


def test_a_stream_refuses_an_infinity_as_it_refuses_nan():
    stream = Stream("laguerre_filter")
    stream.update(PRICES[:3])
    for bad in (np.inf, -np.inf, 1e39):
        with pytest.raises(ValueError, match="infinite value"):
            stream.update(bad)
        with pytest.raises(ValueError, match="infinite value"):
            stream.peek(bad)
    with pytest.raises(ValueError, match="infinite value .* at 2024-01-03.*position 2.; nothing was fed"):
        stream.update(pd.Series([1.0, 2.0, -np.inf], index=DATES[:3]))
    assert stream.samples == 3  # nothing was fed, and the stream is still sound
    assert np.isfinite(stream.update(11.0))
    dropping = Stream("laguerre_filter", missing="drop")
    assert np.isnan(dropping.update(np.inf)) and dropping.samples == 0
    assert not np.isfinite(Stream("ultimate_smoother", missing="keep").update([np.inf])[0])


def test_streams_name_the_column_and_row_of_an_infinity():
    streams = Streams("high_pass", ["x", "y"])
    with pytest.raises(ValueError, match="column 'y' has an infinite value .* in row 1;"):
        streams.update(np.array([[1, 2], [3, np.inf]]))
    block = pd.DataFrame({"x": [1.0, 2.0], "y": [3.0, 1e39]}, index=DATES[:2])
    with pytest.raises(ValueError, match="column 'y' has an infinite value .* in row 2024-01-02"):
        streams.update(block)
    assert streams.samples == 0


@pytest.mark.parametrize("cell", ["inf", "-Infinity", "1e39"])
def test_the_command_line_refuses_an_infinite_cell_naming_its_line(tmp_path, capsys, cell):
    rows = [f"2024-01-{d + 1:02d},{v:g}" for d, v in enumerate(PRICES)]
    rows[4] = rows[4].split(",")[0] + "," + cell
    path = tmp_path / "in.csv"
    path.write_text("date,close\n" + "\n".join(rows) + "\n")
    with pytest.raises(SystemExit) as exit:
        main(["apply", str(path)])
    assert exit.value.code == 1
    assert f":6: column 'close': infinite value {cell!r}" in capsys.readouterr().err
    assert main(["apply", str(path), "--missing", "drop"]) == 0
    assert capsys.readouterr().out.splitlines()[5].endswith(f"{cell},")


def test_long_tables_refuse_an_infinity():
    frame = pd.DataFrame({"symbol": ["A"] * 5, "date": DATES[:5], "close": [1, 2, np.inf, 4, 5]})
    with pytest.raises(ValueError, match="infinite value"):
        tsfilters.dask.apply(frame, "high_pass", period=3)
