"""What pandas 2 and 3 changed, under every pandas the tests run with: the
default string dtype, datetime units other than nanoseconds, copy-on-write."""

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters


def test_a_column_of_text_is_a_type_error_whatever_its_dtype():
    for dtype in (object, "string", None):  # None: pandas 3 infers its str dtype
        with pytest.raises(TypeError, match="real numbers"):
            tsfilters.super_smoother(pd.Series(["50.1", "n/a", "50.3"], dtype=dtype), period=10)


@pytest.mark.skipif(not hasattr(pd.DatetimeIndex, "as_unit"), reason="pandas 1 has nanoseconds only")
@pytest.mark.parametrize("unit", ["s", "ms", "us", "ns"])
def test_a_newest_first_index_in_any_unit_runs_oldest_first(wti, unit):
    closes = wti[:200]
    index = pd.date_range("2020-01-01", periods=200, freq="D").as_unit(unit)[::-1]
    got = tsfilters.ultimate_smoother(pd.Series(closes[::-1], index=index), period=20)
    assert got.index.equals(index)
    assert same_bits(got.to_numpy()[::-1], tsfilters.ultimate_smoother(closes, period=20))


def test_the_result_shares_nothing_with_the_callers_series(wti):
    series = pd.Series(wti[:300].copy())
    before = series.copy()
    out = tsfilters.high_pass(series, period=48)
    out.iloc[:] = 0.0
    frame = pd.DataFrame({"a": series, "b": series})
    smooth = tsfilters.super_smoother(frame, period=10)
    smooth.iloc[:, :] = 0.0
    assert series.equals(before) and frame["a"].equals(before)
