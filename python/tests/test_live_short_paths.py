"""The short ways of a live tick (Stream.update of one float) and a live row
(Streams.update of one float64 or float32 array): the bits of the long way,
on the stream they belong to however it was made, and the long way's
answers for whatever they cannot take."""

import copy
import pickle

import numpy as np
import pytest
from conftest import same_bits

import tsfilters

F32_MAX = float(np.finfo(np.float32).max)
# Doubles that round in the conversion, the largest that stays finite in
# float32, one that rounds to infinity, and the smallest subnormal.
AWKWARD = [0.1, 1 / 3, 71.30000000000001, F32_MAX * (1 + 2**-25), 1.4e-45, -2.5e-39]


def ticks(stream, values):
    return np.array([stream.update(v) for v in values], dtype=np.float32)


@pytest.mark.parametrize("name", list(tsfilters.FILTERS))
def test_ticks_give_the_bits_of_one_chunk(wti, name):
    values = [float(v) + d for v, d in zip(wti[:200], np.linspace(0, 1e-6, 200))] + AWKWARD
    chunk = tsfilters.Stream(name).update(np.array(values))
    assert same_bits(ticks(tsfilters.Stream(name), values), chunk)
    # A float64 NumPy scalar is a float too.
    assert same_bits(ticks(tsfilters.Stream(name), np.array(values)), chunk)


def test_every_way_to_get_a_stream_ticks_its_own_state(wti):
    history, rest = [float(v) for v in wti[:150]], [float(v) for v in wti[150:250]]
    fed = tsfilters.Stream("laguerre_filter", gamma=0.6)
    ticks(fed, history)
    expected = ticks(fed.copy(), rest)
    book = tsfilters.Streams("laguerre_filter", ["x", "y"], gamma=0.6)
    book.update(np.column_stack([history, history]))
    made = {"copy": fed.copy(), "pickle": pickle.loads(pickle.dumps(fed)),
            "deepcopy": copy.deepcopy(fed), "bytes": tsfilters.Stream.from_bytes(fed.to_bytes()),
            "column": book["y"]}
    for how, stream in made.items():
        assert same_bits(ticks(stream, rest), expected), how
    assert fed.samples == 150  # none of them touched the original
    fed.reset()
    assert same_bits(ticks(fed, history), ticks(tsfilters.Stream("laguerre_filter", gamma=0.6),
                                                 history))


def test_a_tick_that_is_no_number_takes_the_long_way():
    stream = tsfilters.Stream("super_smoother", missing="drop")
    ticks(stream, [50.0, 51.0])
    for gap in (float("nan"), float("inf"), F32_MAX * (1 + 2**-23), -1e39):
        assert np.isnan(stream.update(gap))
    assert stream.samples == 2
    strict = tsfilters.Stream("super_smoother")
    with pytest.raises(ValueError, match="infinite value"):
        strict.update(1e39)
    with pytest.raises(TypeError, match="real number"):
        strict.update("71.4")
    assert strict.samples == 0


@pytest.mark.parametrize("dtype", [np.float64, np.float32])
def test_live_rows_give_the_bits_of_the_block_and_leave_the_callers_row_alone(wti, dtype):
    table = np.stack([wti[:120], wti[120:240] * 3, wti[240:360] / 7], axis=1).astype(dtype)
    block = tsfilters.Streams("ultimate_smoother", 3).update(table)
    one, pickled = tsfilters.Streams("ultimate_smoother", 3), None
    rows = []
    for r, row in enumerate(table):
        kept = row.copy()
        rows.append(one.update(row))
        assert np.array_equal(row, kept) and rows[-1] is not row
        if r == 60:  # halfway, a copy and a pickle carry on from here
            pickled = pickle.loads(pickle.dumps(one))
            other = one.copy()
    assert same_bits(np.array(rows), block)
    for carried in (pickled, other):
        assert same_bits(np.array([carried.update(row) for row in table[61:]]), block[61:])


def test_a_live_row_with_a_gap_or_huge_prices_takes_the_long_way(wti):
    strict = tsfilters.Streams("high_pass", ["a", "b"])
    strict.update(np.array([50.0, 60.0]))
    for gap in (np.nan, np.inf, 1e39):
        with pytest.raises(ValueError, match="column 'b' has .*nothing was fed"):
            strict.update(np.array([51.0, gap]))
    assert strict.samples == 1
    dropping = tsfilters.Streams("super_smoother", ["a", "b"], missing="drop")
    out = dropping.update(np.array([np.nan, 60.0]))
    assert np.isnan(out[0]) and out[1] == 60.0
    # Beyond 1.8e19 a float32 sum of squares overflows: the long way, same bits.
    huge = np.array([[3e37, 1e20], [3.1e37, 1.1e20]], dtype=np.float32)
    live = tsfilters.Streams("super_smoother", 2)
    assert same_bits(np.array([live.update(row) for row in huge]),
                     tsfilters.Streams("super_smoother", 2).update(huge))
    with pytest.raises(ValueError, match="one value per column"):
        live.update(np.array([1.0, 2.0, 3.0]))
    assert tsfilters.Streams("high_pass", 0).update(np.empty(0)).shape == (0,)


def test_a_row_buffer_and_an_out_refilled_in_place_read_and_get_each_rows_values(wti):
    # A live feed fills one row buffer and one output array again and
    # again; the arrays another row brings in between must not be mixed up.
    table = np.stack([wti[:90], wti[90:180] * 2], axis=1)
    block = tsfilters.Streams("band_pass", 2).update(table)
    live = tsfilters.Streams("band_pass", 2)
    row, out, spare = np.empty(2), np.full(2, -1.0, np.float32), np.full(2, -1.0, np.float32)
    got = []
    for r, values in enumerate(table):
        if r % 10 == 5:
            got.append(live.update(values.copy(), spare).copy())  # other arrays, once
            continue
        if r % 10 == 7:
            strided = np.repeat(values, 2)[::2]  # not contiguous: copied first
            got.append(live.update(strided).copy())
            continue
        row[:] = values
        assert live.update(row, out) is out
        got.append(out.copy())
    assert same_bits(np.array(got), block)


def test_float64_rows_round_in_the_library_as_numpy_rounds_them():
    # Past float32's largest value by half a unit in its last place or more
    # is an infinity: a gap under drop (the series unchanged and its
    # warm-up not counted), kept out of every other column.
    over = F32_MAX * (1 + 2**-24)
    rows = np.array([[50.0, 60.0], [51.0, over], [F32_MAX * (1 + 2**-25), 61.0], [52.0, -over],
                     [53.0, 62.0]])
    with np.errstate(over="ignore"):
        as_float32 = rows.astype(np.float32)
    assert np.isinf(as_float32[1, 1]) and as_float32[2, 0] == np.float32(F32_MAX)
    for warmup in ("keep", "nan"):
        live = tsfilters.Streams("super_smoother", ["a", "b"], missing="drop", warmup=warmup)
        by_float32 = tsfilters.Streams("super_smoother", ["a", "b"], missing="drop", warmup=warmup)
        for row, row32 in zip(rows, as_float32):
            assert same_bits(live.update(row), by_float32.update(row32))
        assert live.samples_of("b") == by_float32.samples_of("b") == 3

def test_a_series_row_on_the_tables_own_labels_gives_the_long_ways_answer(wti):
    import pandas as pd
    columns = pd.Index(["CL", "NG", "HO"])
    table = pd.DataFrame(np.stack([wti[:80], wti[80:160], wti[160:240]], axis=1),
                         columns=columns, index=pd.date_range("2024-01-01", periods=80))
    block = tsfilters.Streams("laguerre_filter", columns).update(table.reset_index(drop=True))
    book = tsfilters.Streams("laguerre_filter", columns)
    rows = [book.update(pd.Series(table.iloc[r].to_numpy(), index=columns)) for r in range(40)]
    dated = [book.update(table.iloc[r]) for r in range(40, 80)]  # named by dates: `seen` applies
    assert all(row.index.equals(columns) and row.dtype == np.float32 for row in rows + dated)
    assert all(row.index is columns for row in rows)  # the same labels, not a copy
    assert same_bits(np.array([row.to_numpy() for row in rows + dated]), block.to_numpy())
    with pytest.raises(ValueError, match="2024-03-20"):
        book.update(table.iloc[-1])
    strict = tsfilters.Streams("high_pass", columns)
    with pytest.raises(ValueError, match="column 'NG' has a missing value"):
        strict.update(pd.Series([1.0, np.nan, 2.0], index=columns))
    assert strict.samples == 0
