"""Arguments C could not represent are refused before the library is called."""

import numpy as np
import pytest

import tsfilters
from tsfilters._frames import arrays as _arrays
from tsfilters._engine import library as _library


@pytest.fixture
def no_library_calls(monkeypatch):
    """Replaces the loaded functions with ones that fail the test if called."""
    def forbidden(*args):
        raise AssertionError("the library was called")
    monkeypatch.setattr(_library.functions, "value", {n: forbidden for n in _library._PARAMETERS})


X = np.linspace(1, 2, 150)


@pytest.mark.parametrize("call, error, message", [
    (lambda: tsfilters.ultimate_smoother(X, period=20.0), TypeError, "period must be an integer"),
    (lambda: tsfilters.high_pass(X, period=True), TypeError, "period must be an integer"),
    (lambda: tsfilters.super_smoother(X, period="20"), TypeError, "period must be an integer"),
    (lambda: tsfilters.band_pass(X, 48, 2**31), ValueError, "smooth_period = 2147483648 is outside"),
    (lambda: tsfilters.cybernetic_oscillator(X, -(2**31) - 1, 10), ValueError, "high_pass_period"),
    (lambda: tsfilters.laguerre_filter(X, gamma="0.8", period=20), TypeError, "gamma must be a real"),
    (lambda: tsfilters.ultimate_smoother(np.ones((4, 4, 4)), 20), ValueError, "not 3-D"),
    (lambda: tsfilters.ultimate_smoother(np.float32(3), 20), ValueError, "not 0-D"),
    (lambda: tsfilters.ultimate_smoother(["a", "b"], 20), TypeError, "real numbers"),
    (lambda: tsfilters.ultimate_smoother(np.ones(3, complex), 20), TypeError, "real numbers"),
    (lambda: tsfilters.ultimate_smoother([1.0, object()], 20), TypeError, "real numbers"),
])
def test_bad_arguments_raise_before_the_call(no_library_calls, call, error, message):
    with pytest.raises(error, match=message):
        call()


@pytest.mark.parametrize("name", list(tsfilters.FILTERS))
def test_every_filter_refuses_a_float_period(no_library_calls, name):
    function, parameters = tsfilters.FILTERS[name]
    with pytest.raises(TypeError, match="period must be an integer"):
        function(X, **{p: 0.8 if p == "gamma" else np.float64(3) for p in parameters})


def test_numpy_integers_are_periods():
    out = tsfilters.ultimate_smoother(X, period=np.int64(20))
    assert np.array_equal(out, tsfilters.ultimate_smoother(X, period=20))


def test_series_longer_than_int32_are_refused():
    _arrays.check_length(2**31 - 1)
    with pytest.raises(ValueError, match="at most 2147483647"):
        _arrays.check_length(2**31)


def test_library_path_from_the_environment_is_final(monkeypatch, tmp_path):
    monkeypatch.setenv(_library.ENV_VARIABLE, str(tmp_path / "missing.so"))
    assert _library.candidates() == [("$TSFILTERS_LIBRARY", str(tmp_path / "missing.so"))]
    with pytest.raises(tsfilters.LibraryNotFoundError, match="TSFILTERS_LIBRARY"):
        _library.load()


def test_a_library_without_the_functions_is_refused():
    with pytest.raises(tsfilters.LibraryNotFoundError, match="has no function"):
        _library.load(_library.ctypes.util.find_library("m") or "libm.so.6")


def test_the_stream_library_is_looked_for_beside_the_batch_one(monkeypatch, tmp_path):
    monkeypatch.delenv(_library.STREAM_ENV_VARIABLE, raising=False)
    (tmp_path / "libtsfilters.so").write_bytes(b"")
    (tmp_path / "libtsfilters_stream.so").write_bytes(b"")
    monkeypatch.setenv(_library.ENV_VARIABLE, str(tmp_path / "libtsfilters.so"))
    places = _library.candidates("tsfilters_stream")
    assert places[0] == ("beside $TSFILTERS_LIBRARY", str(tmp_path / "libtsfilters_stream.so"))
    monkeypatch.setenv(_library.STREAM_ENV_VARIABLE, str(tmp_path / "other.so"))
    assert _library.candidates("tsfilters_stream") == [("$TSFILTERS_STREAM_LIBRARY",
                                                       str(tmp_path / "other.so"))]
    with pytest.raises(tsfilters.LibraryNotFoundError, match="TSFILTERS_STREAM_LIBRARY"):
        _library.open_library("tsfilters_stream")


def test_a_stream_takes_one_series():
    with pytest.raises(ValueError, match="1-D series"):
        tsfilters.Stream("high_pass").update(np.ones((3, 2)))
    with pytest.raises(TypeError, match="real number"):
        tsfilters.Stream("high_pass").update("1.5x")
