"""What pandas input says about itself: an index to sort by, date texts that
must be parsed first, and columns of dates that are not prices."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters

PRICES = np.array([10, 11, 12.5, 12, 13, 14, 13.5, 15], np.float32)


@pytest.mark.parametrize("index", [
    [8, 7, 6, 5, 4, 3, 2, 1],                       # numbers, newest first
    [3.5, 1.0, 2.0, 8.0, 4.0, 7.0, 6.0, 5.0],       # numbers in no order
    ["h", "g", "f", "e", "d", "c", "b", "a"],       # texts that are not dates
])
def test_sort_sorts_by_any_index_with_an_order(index):
    x = pd.Series(PRICES, index=index)
    out = tsfilters.ultimate_smoother(x, 4, sort=True)
    assert list(out.index) == index  # the caller's order, as for dates
    ordered = x.sort_index()
    assert same_bits(out.loc[ordered.index].to_numpy(), tsfilters.ultimate_smoother(ordered.to_numpy(), 4))
    # Without sort=True the order given is the order filtered.
    assert same_bits(tsfilters.ultimate_smoother(x, 4).to_numpy(), tsfilters.ultimate_smoother(PRICES, 4))


@pytest.mark.parametrize("texts", [
    [f"2024-01-{d:02d}" for d in range(8, 0, -1)],
    ["12/31/2023", "01/02/2024", "12/30/2023", "01/03/2024", "01/05/2024", "01/04/2024",
     "12/29/2023", "01/08/2024"],
    [f"{d} Jan 2024" for d in range(8, 0, -1)],
])
def test_date_texts_are_refused_with_a_hint_to_parse_them(texts):
    x = pd.Series(PRICES, index=texts)
    with pytest.raises(ValueError, match="dates as text.*parse them first"):
        tsfilters.high_pass(x, 4, sort=True)
    with pytest.raises(ValueError, match="dates as text"):
        tsfilters.sweep(x, "high_pass", period=[3, 4], sort=True)
    parsed = pd.Series(PRICES, index=pd.to_datetime(texts))
    assert same_bits(tsfilters.high_pass(parsed, 4, sort=True).to_numpy(),
                     tsfilters.high_pass(parsed.sort_index(), 4).loc[parsed.index].to_numpy())


def test_sort_refuses_repeated_or_missing_labels():
    with pytest.raises(ValueError, match="repeats 2"):
        tsfilters.high_pass(pd.Series(PRICES, index=[1, 2, 3, 2, 5, 6, 7, 8]), 4, sort=True)
    with pytest.raises(ValueError, match="missing label at position 3"):
        tsfilters.high_pass(pd.Series(PRICES, index=[1, 2, 3, np.nan, 5, 6, 7, 8.0]), 4, sort=True)


def test_columns_of_dates_and_durations_are_not_prices():
    prices = pd.Series(PRICES, index=pd.date_range("2024-01-01", periods=8, name="date"), name="close")
    table = prices.reset_index()
    with pytest.raises(TypeError, match="column 'date' holds datetime64"):
        tsfilters.ultimate_smoother(table, 4)
    with pytest.raises(TypeError, match="column 'held' holds timedelta64"):
        tsfilters.ultimate_smoother(table.assign(held=table.date - table.date[0])[["close", "held"]], 4)
    with pytest.raises(TypeError, match="holds datetime64"):
        tsfilters.ultimate_smoother(table["date"], 4)
    with pytest.raises(TypeError, match="holds datetime64"):
        tsfilters.Stream("high_pass").update(table["date"])
    zoned = table.assign(date=table.date.dt.tz_localize("UTC"))
    with pytest.raises(TypeError, match="column 'date' holds datetime64"):
        tsfilters.high_pass(zoned, 4)
    assert same_bits(tsfilters.ultimate_smoother(table[["close"]], 4)["close"],
                     tsfilters.ultimate_smoother(PRICES, 4))


def test_pandas_attrs_are_carried_to_the_result_as_a_copy():
    import pandas as pd
    series = pd.Series(np.linspace(50, 60, 120), name="close")
    series.attrs = {"unit": "USD/bbl", "source": {"name": "EIA"}}
    frame = pd.DataFrame({"a": series, "b": series * 2})
    frame.attrs = {"unit": "USD/bbl"}
    out = tsfilters.super_smoother(series, period=10)
    assert out.attrs == series.attrs
    out.attrs["source"]["name"] = "changed"
    assert series.attrs["source"]["name"] == "EIA"
    assert tsfilters.super_smoother(frame, period=10).attrs == {"unit": "USD/bbl"}
