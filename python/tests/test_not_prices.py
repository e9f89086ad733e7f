"""Text and truth values are not prices: NumPy and pandas would convert
"71.4" and True to numbers, and the filter would run over them silently.
Every way in refuses them with a TypeError naming what it found."""

import numpy as np
import pandas as pd
import pytest

import tsfilters

N = 120


def _text_and_truth_inputs():
    yield "list of text", ["71.4"] * N
    yield "object array of text", np.array(["71.4"] * N, dtype=object)
    yield "object array mixing numbers and text", np.array([1.0] * (N - 1) + ["2"], dtype=object)
    yield "list of bools", [True, False] * (N // 2)
    yield "list mixing numbers and a bool", [1.0] * (N - 1) + [True]
    yield "numpy bools", np.ones(N, dtype=bool)
    yield "object Series of text", pd.Series(["71.4"] * N, dtype=object)
    yield "string Series", pd.Series(["71.4"] * N, dtype="string")
    yield "bool Series", pd.Series([True] * N)
    yield "nullable boolean Series", pd.Series([True, None] * (N // 2), dtype="boolean")
    yield "DataFrame with a text column", pd.DataFrame({"close": [1.0] * N, "note": ["1"] * N})
    yield "DataFrame with a bool column", pd.DataFrame({"close": [1.0] * N, "up": [True] * N})


CASES = list(_text_and_truth_inputs())


@pytest.mark.parametrize("x", [x for _, x in CASES], ids=[name for name, _ in CASES])
@pytest.mark.parametrize("missing", ["error", "drop"])
def test_batch_functions_refuse_text_and_truth_values(x, missing):
    with pytest.raises(TypeError, match="text|truth"):
        tsfilters.cybernetic_oscillator(x, 48, 10, missing=missing)


def test_the_message_names_the_column():
    frame = pd.DataFrame({"close": [1.0] * N, "signal": [True] * N})
    with pytest.raises(TypeError, match="column 'signal' holds truth values"):
        tsfilters.high_pass(frame, period=10)


@pytest.mark.parametrize("x", [x for name, x in CASES if "DataFrame" not in name],
                         ids=[name for name, _ in CASES if "DataFrame" not in name])
def test_streams_sweeps_refuse_them_too(x):
    stream = tsfilters.Stream("high_pass", period=10)
    with pytest.raises(TypeError, match="text|truth"):
        stream.update(x)
    assert stream.samples == 0
    with pytest.raises(TypeError, match="text|truth"):
        tsfilters.sweep(x, "high_pass", period=[10, 20])


def test_streams_rows_refuse_them():
    streams = tsfilters.Streams("high_pass", ["a", "b"], period=10)
    for row in ([True, 1.0], pd.Series({"a": "71.4", "b": 1.0}), np.array([True, False])):
        with pytest.raises(TypeError, match="text|truth"):
            streams.update(row)


def test_numbers_in_object_arrays_still_read():
    # A list mixing ints, floats and None (a gap) is numbers: still taken.
    values = [1, 2.5, None] + [3.0] * (N - 3)
    out = tsfilters.super_smoother(values, period=10, missing="keep")
    assert out.shape == (N,)
