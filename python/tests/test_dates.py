"""Dates are read in the one way the file allows, or the tool asks."""

import numpy as np
import pytest

from tsfilters.cli import dates as _dates
from tsfilters.cli import build_parser, main
from tsfilters.cli.series_file import load_series


def days(cells, **options):
    return [str(d)[:10] for d in _dates.parse(np.array(cells, dtype=object), **options)]


@pytest.mark.parametrize("cells, expected", [
    (["2020-03-04", "2020-03-05 09:30"], ["2020-03-04", "2020-03-05"]),
    (["03/04/2020", "31/12/2020"], ["2020-04-03", "2020-12-31"]),   # a day above 12 decides
    (["03/04/2020", "12/31/2020"], ["2020-03-04", "2020-12-31"]),   # a month above 12 can't be
    (["01.02.2021", "13.02.2021"], ["2021-02-01", "2021-02-13"]),
    (["1/2/20", "13/2/20"], ["2020-02-01", "2020-02-13"]),
    (["04/04/2020", "05/05/2020"], ["2020-04-04", "2020-05-05"]),   # both readings agree
    (["Jan 2, 2020", "Feb 3, 2020"], ["2020-01-02", "2020-02-03"]),
    (["2024-01-02T00:30+01:00", "2024-01-03T00:30+02:00"], ["2024-01-01", "2024-01-02"]),  # as UTC
])
def test_dates_read_the_one_way_the_column_allows(cells, expected):
    assert days(cells) == expected


def test_ambiguous_or_contradicting_columns_are_refused():
    with pytest.raises(_dates.AmbiguousDates) as ambiguous:
        days(["04/04/2020", "03/04/2020", "05/04/2020"])
    assert ambiguous.value.position == 1
    with pytest.raises(_dates.DateError) as both:
        days(["03/04/2020", "31/12/2020", "12/31/2020"])
    assert both.value.position == 2


def test_the_caller_settles_the_order_or_the_format():
    assert days(["03/04/2020"], dayfirst=True) == ["2020-04-03"]
    assert days(["03/04/2020"], dayfirst=False) == ["2020-03-04"]
    assert days(["03-04-2020"], date_format="%d-%m-%Y") == ["2020-04-03"]
    with pytest.raises(_dates.DateError):
        days(["13/04/2020"], dayfirst=False)


@pytest.mark.parametrize("extra, status, message", [
    ([], 1, ":3: column 'date': '03/04/2020' reads as day/month and as month/day"),
    (["--dayfirst"], 0, "2020-04-03"),
    (["--monthfirst"], 0, "2020-03-04"),
    (["--date-format", "%m/%d/%Y"], 0, "2020-03-04"),
])
def test_the_command_asks_instead_of_guessing(tmp_path, capsys, extra, status, message):
    csv = tmp_path / "in.csv"
    csv.write_text("date,close\n02/02/2020,1\n03/04/2020,2\n05/06/2020,3\n")
    chart = tmp_path / "c.svg"
    if status:
        with pytest.raises(SystemExit) as exit:
            main(["plot", str(csv), "-o", str(chart)] + extra)
        assert exit.value.code == status and message in capsys.readouterr().err
        assert not chart.exists()
    else:
        series = load_series(build_parser().parse_args(["apply", str(csv)] + extra))
        assert str(series.dates[1])[:10] == message
