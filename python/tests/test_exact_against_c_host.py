"""The Python wrappers give the C example host's numbers to the bit."""

import numpy as np
import pytest
from conftest import DATA, same_bits

import tsfilters
from tsfilters import FILTERS
from tsfilters.cli import csv_files as csvio
from tsfilters._engine.filter_table import FILTER_TABLE

# The host's columns: every filter of the table, in table order, with the
# tools' default parameters.
HOST_COLUMNS = [
    (name, lambda x, name=name: FILTERS[name][0](x, **FILTER_TABLE[name].defaults))
    for name in FILTER_TABLE
]


@pytest.mark.parametrize("name", ["wti_daily.csv", "henry_hub_daily.csv", "tsp_c_fund_daily.csv"])
def test_every_filter_matches_the_c_host_bit_for_bit(host_demo, name):
    dates, (close, *columns) = host_demo(DATA / name)
    # The CLI's reading of the file rounds to the same floats as strtof.
    table = csvio.read_table(DATA / name)
    assert list(table.cells("date")) == dates
    assert same_bits(csvio.numbers(table, "close").astype(np.float32), close)

    assert len(columns) == len(HOST_COLUMNS)
    for (name, call), expected in zip(HOST_COLUMNS, columns):
        got = call(close)
        assert got.dtype == np.float32
        # Both show a slot the library leaves unwritten as NaN.
        assert same_bits(got, expected), name


def test_float64_input_is_rounded_to_float32_first(host_demo):
    _, (close, *columns) = host_demo(DATA / "wti_daily.csv")
    ultimate = columns[list(FILTER_TABLE).index("ultimate_smoother")]
    as_double = close.astype(np.float64) + 1e-12  # rounds back to the same floats
    assert same_bits(tsfilters.ultimate_smoother(as_double, 20), ultimate)
