"""Wide tables and sweeps on the lanes: the bits of the column-by-column
and one-call-per-parameter-set batch calls, whatever the layout, the
thread count, or the other Python threads doing the same at once."""

import os
import subprocess
import sys
import threading

import numpy as np
import pandas as pd
import pytest
from conftest import PYTHON_DIR, every_parameter_set, same_bits

import tsfilters
from tsfilters import FILTERS, _calls
from tsfilters._engine import lanes as _lanes
from tsfilters._engine.filter_table import FILTER_TABLE


def column_by_column(name, table, parameters):
    return np.column_stack([FILTERS[name][0](table[:, j], **parameters, missing="keep")
                            for j in range(table.shape[1])])


@pytest.fixture(scope="module")
def table(wti):
    """37 series of 2,000 rows (an odd count of lanes: a partial vector),
    cut from the bundled prices, one with a flat start (zero RMS)."""
    columns = [wti[k * 200:k * 200 + 2000] for k in range(36)] + [np.full(2000, 3.5, np.float32)]
    table = np.column_stack(columns)
    table.setflags(write=False)  # shared by the tests: none may change it
    return table


@pytest.mark.parametrize("name,parameters", every_parameter_set())
def test_a_wide_table_gives_the_column_by_column_bits(table, name, parameters, monkeypatch):
    # Split even this small table across the threads asked for: the bits
    # must not depend on where the seams fall.
    monkeypatch.setattr(_lanes, "_MIN_WORK_PER_THREAD", 1)
    expected = column_by_column(name, table, parameters)
    function = FILTERS[name][0]
    for layout in (table, np.asfortranarray(table), table[:, ::2]):
        want = expected if layout is table or layout.flags.f_contiguous else expected[:, ::2]
        for threads in (1, 2, 3, None):
            assert same_bits(function(layout, **parameters, threads=threads), want), threads


def test_wide_results_match_the_old_per_column_loop(table, monkeypatch):
    frame = pd.DataFrame(table[:300, :5].copy(), columns=list("vwxyz"),
                         index=pd.date_range("2001-01-01", periods=300)[::-1])
    frame.iloc[7, 2] = np.nan  # one column with a gap takes its own way
    lanes = tsfilters.laguerre_filter(frame, 0.6, 14, missing="drop")
    monkeypatch.setattr(_calls, "_wide", lambda *_: None)
    alone = tsfilters.laguerre_filter(frame, 0.6, 14, missing="drop")
    assert lanes.index.equals(frame.index) and list(lanes.columns) == list("vwxyz")
    assert same_bits(lanes.to_numpy(), alone.to_numpy())


def test_a_gap_in_a_wide_table_is_named(table):
    frame = pd.DataFrame(table[:50, :3].copy(), columns=["a", "b", "c"])
    frame.iloc[20, 1] = np.nan
    with pytest.raises(ValueError, match="position 20"):
        tsfilters.high_pass(frame, 10)


def test_threads_must_be_a_positive_count(table):
    for bad in (0, -1, 1.5, True):
        with pytest.raises(ValueError, match="threads"):
            tsfilters.high_pass(table, 10, threads=bad)


def test_python_threads_at_once_get_their_own_bits(table, monkeypatch):
    monkeypatch.setattr(_lanes, "_MIN_WORK_PER_THREAD", 1)  # each call shares the pool
    expected = {p: column_by_column("ultimate_smoother", table, {"period": p}) for p in (5, 9, 30)}
    results, errors = {}, []

    def work(p):
        try:
            for _ in range(3):
                results[p] = tsfilters.ultimate_smoother(table, p, threads=2)
        except Exception as exc:  # pragma: no cover - reported below
            errors.append(exc)

    threads = [threading.Thread(target=work, args=(p,)) for p in expected]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    for p, want in expected.items():
        assert same_bits(results[p], want), p


@pytest.mark.parametrize("name", list(FILTER_TABLE))
def test_a_sweep_gives_the_bits_of_separate_calls(wti, name):
    defaults = FILTER_TABLE[name].defaults
    first = next(iter(defaults))
    grid = {first: [3, 8, 21, 60] if first != "gamma" else [0.0, 0.25, 0.8, 1.0]}
    x = wti[:1500]
    for threads in (1, 2):
        swept = tsfilters.sweep(x, name, **grid, threads=threads)
        assert list(swept.columns.names) == list(defaults)
        assert len(swept.columns) == 4
        for labels in swept.columns:
            parameters = dict(zip(swept.columns.names, labels))
            assert same_bits(swept[labels].to_numpy(), FILTERS[name][0](x, **parameters))


def test_a_sweep_over_two_parameters_and_a_dated_series(wti):
    index = pd.date_range("1990-01-01", periods=400)[::-1]  # newest first
    series = pd.Series(wti[:400].copy(), index=index)
    series.iloc[30] = np.nan
    swept = tsfilters.sweep(series, "band_pass", high_pass_period=[20, 40, 60],
                            smooth_period=range(4, 10), missing="previous")
    assert swept.shape == (400, 18) and swept.index.equals(index)
    assert swept.columns[0] == (20, 4) and swept.columns[-1] == (60, 9)
    for hp, smooth in [(20, 4), (40, 7), (60, 9)]:
        alone = tsfilters.band_pass(series, hp, smooth, missing="previous")
        assert same_bits(swept[(hp, smooth)].to_numpy(), alone.to_numpy())
    array = tsfilters.sweep(wti[:400], "band_pass", high_pass_period=[20, 40], frame=False)
    assert isinstance(array, np.ndarray) and array.shape == (400, 2)


def test_sweeps_refuse_what_they_cannot_run(wti):
    with pytest.raises(ValueError, match="unknown filter"):
        tsfilters.sweep(wti, "smoother", period=[1, 2])
    with pytest.raises(TypeError, match="takes gamma, period"):
        tsfilters.sweep(wti, "laguerre_filter", periods=[1, 2])
    with pytest.raises(ValueError, match="no values"):
        tsfilters.sweep(wti, "high_pass", period=[])
    with pytest.raises(TypeError, match="integer"):
        tsfilters.sweep(wti, "high_pass", period=[10, 12.5])
    with pytest.raises(ValueError, match="one series"):
        tsfilters.sweep(np.ones((10, 2)), "high_pass", period=[10])


# Run in a fresh process: the library picks its SIMD target once.
_AT_TARGET = """
import hashlib, sys
import numpy as np
import tsfilters
rng = np.random.default_rng(5)
table = (50 + rng.standard_normal((700, 45)).cumsum(axis=0)).astype(np.float32)
digest = hashlib.sha256()
for name, (function, _) in tsfilters.FILTERS.items():
    digest.update(function(table, **tsfilters._engine.filter_table.FILTER_TABLE[name].defaults, threads=1).tobytes())
    digest.update(tsfilters.sweep(table[:, 0], "laguerre_filter", period=range(2, 40), frame=False).tobytes())
print(digest.hexdigest())
"""


def test_every_simd_target_gives_the_same_bits():
    def digest(target):
        env = dict(os.environ, PYTHONPATH=str(PYTHON_DIR))
        if target:
            env["TSFILTERS_SIMD"] = target
        return subprocess.run([sys.executable, "-c", _AT_TARGET], env=env, check=True,
                              capture_output=True, text=True).stdout
    reference = digest(None)
    for target in ("scalar", "sse2", "avx2"):
        assert digest(target) == reference, target


@pytest.mark.parametrize("shape", [(0, 3), (5, 0), (1, 4), (99, 9), (100, 9)])
def test_small_and_empty_tables_match_the_per_column_calls(shape):
    table = (np.arange(np.prod(shape), dtype=np.float32).reshape(shape) % 7) + 1
    for name in ("laguerre_filter", "cybernetic_oscillator"):
        got = FILTERS[name][0](table, **FILTER_TABLE[name].defaults)
        assert got.shape == shape and same_bits(got, column_by_column(name, table, FILTER_TABLE[name].defaults)
                                                if shape[1] else got)
