"""Stream and Streams against the batch calls, to the bit, and their saved
bytes against the C library's own loader and saver."""

import os
import pickle
import subprocess

import numpy as np
import pandas as pd
import pytest
from conftest import OSCILLATORS, PARAMETER_SETS, REPO, every_parameter_set, same_bits

import tsfilters
from tsfilters import FILTERS, Stream, Streams
from tsfilters._engine.filter_table import FILTER_TABLE
from tsfilters._engine.stream_library import functions


def batch(name, x, parameters):
    return FILTERS[name][0](x, **parameters, missing="keep")


def fed_in_chunks(stream, x, sizes):
    """The stream's outputs over x fed in chunks of the given sizes (cycled),
    with the window patched in as the batch call has it."""
    out, start, k = [], 0, 0
    while start < x.size:
        size = sizes[k % len(sizes)]
        out.append(stream.update(x[start:start + size]))
        start, k = start + size, k + 1
    out = np.concatenate(out)
    window = stream.window()
    if window is not None:
        out[:100] = window
    return out


@pytest.mark.parametrize("name,parameters", every_parameter_set())
def test_a_stream_fed_in_any_chunks_gives_the_batch_bits(wti, name, parameters):
    x = wti[:3000]
    expected = batch(name, x, parameters)
    rng = np.random.default_rng(len(name))
    for sizes in ([1], [2, 3, 7], [99, 100, 101], [x.size], list(rng.integers(1, 400, 20))):
        assert same_bits(fed_in_chunks(Stream(name, **parameters), x, sizes), expected), sizes


def test_numbers_in_give_floats_out_and_the_positional_nans(wti):
    lag = Stream("laguerre_filter")
    first = lag.update(wti[0])
    assert isinstance(first, float) and np.isnan(first)  # never written by the batch call
    for name in OSCILLATORS:
        osc = Stream(name)
        early = osc.update(wti[:99])
        assert np.isnan(early).all() and osc.window() is None, name
        assert not np.isnan(osc.update(float(wti[99]))), name
        assert osc.window().shape == (100,) and osc.samples == 100, name


@pytest.mark.parametrize("name", list(FILTER_TABLE))
def test_peek_is_the_next_update_and_changes_nothing(wti, name):
    stream = Stream(name)
    stream.update(wti[:150])
    for x in wti[150:170]:
        before = stream.to_bytes()
        peeks = {stream.peek(x + d) for d in (0.5, -3.0, 0.0)}
        assert stream.to_bytes() == before and len(peeks) >= 1
        ahead = stream.peek(x)
        assert same_bits(ahead, stream.update(x))


def test_copies_pickles_and_saved_bytes_continue_exactly(wti):
    stream = Stream("cybernetic_oscillator", high_pass_period=30, smooth_period=6)
    stream.update(wti[:120])
    expected = stream.copy().update(wti[120:600])
    for other in (stream.copy(), pickle.loads(pickle.dumps(stream)),
                  Stream.from_bytes(stream.to_bytes())):
        assert other.parameters == {"high_pass_period": 30, "smooth_period": 6}
        assert same_bits(other.update(wti[120:600]), expected)
    assert stream.samples == 120  # the copies did not advance it


def test_missing_values_in_a_stream():
    stream = Stream("super_smoother", period=10)
    stream.update([1.0, 2.0])
    with pytest.raises(ValueError, match="position 1"):
        stream.update([3.0, np.nan])
    assert stream.samples == 2  # nothing of the refused chunk was fed
    with pytest.raises(ValueError, match="NaN"):
        stream.peek(np.nan)
    dropping = Stream("super_smoother", period=10, missing="drop")
    dropping.update([1.0, 2.0])
    out = dropping.update([3.0, np.nan, 4.0])
    assert np.isnan(out[1]) and dropping.samples == 4
    assert same_bits(out[[0, 2]], stream.copy().update([3.0, 4.0]))
    keeping = Stream("super_smoother", period=10, missing="keep")
    # Slots 0-1 copy the input; from there on the NaN feeds back.
    assert np.isnan(keeping.update([np.nan, 1.0, 2.0, 3.0])[[0, 2, 3]]).all()


def test_a_series_in_gives_a_series_out(wti):
    index = pd.date_range("2020-01-01", periods=50)
    out = Stream("high_pass").update(pd.Series(wti[:50], index=index, name="close"))
    assert isinstance(out, pd.Series) and out.index.equals(index) and out.name == "close"


@pytest.mark.parametrize("data,code", [
    (b"", -6), (b"XXXX" + bytes(56), -4), ("text", None), (b"TSFS\x09\x00" + bytes(54), -5),
])
def test_bad_bytes_are_refused_with_the_library_reason(data, code):
    error = TypeError if code is None else ValueError
    with pytest.raises(error) as caught:
        Stream.from_bytes(data)
    if code is not None:
        assert str(caught.value) == functions().message(code)


def test_every_truncation_and_bit_flip_of_saved_bytes_is_refused(wti):
    stream = Stream("ultimate_smoother")
    stream.update(wti[:30])
    good = stream.to_bytes()
    for size in range(len(good)):
        with pytest.raises(ValueError):
            Stream.from_bytes(good[:size])
    for bit in range(0, 8 * len(good), 7):
        flipped = bytearray(good)
        flipped[bit // 8] ^= 1 << (bit % 8)
        with pytest.raises(ValueError):
            Stream.from_bytes(flipped)


# The C program that saves states and continues saved ones.
CONTINUATION = os.environ.get("TSFILTERS_STREAM_CONTINUATION",
                              str(REPO / "build/default/stream_continuation"))


def continuation_input():
    """Input 0 of the C continuation program, computed as it does."""
    state, v, out = 2463534242, np.float32(100.0), []
    for _ in range(300):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        v = np.float32(v + np.float32((state >> 8) - 0x800000) / np.float32(8388608.0))
        out.append(v)
    return np.array(out, dtype=np.float32)


def read_outputs(path):
    """[(samples, outputs, window or None)] from the program's output file."""
    rows = []
    for line in path.read_text().splitlines():
        head, values = line.split(":", 1)
        values = values.partition(" peek:")[0]
        values, _, window = values.partition(" window:")
        parse = lambda text: np.array([np.nan if v == "nan" else np.uint32(int(v, 16)).view(np.float32)
                                       for v in text.split()], dtype=np.float32)
        rows.append((int(head.split()[-1]), parse(values), parse(window) if window else None))
    return rows


@pytest.fixture
def continuation(tmp_path):
    if not os.path.exists(CONTINUATION):
        pytest.skip(f"no {CONTINUATION}; build it or set TSFILTERS_STREAM_CONTINUATION")
    library = functions()  # noqa: F841 - the same library file for both sides
    from tsfilters._engine import library as _library
    path = next(p for _, p in _library.places("tsfilters_stream"))

    def run(mode, states):
        outputs = tmp_path / "outputs.txt"
        subprocess.run([CONTINUATION, path, mode, str(states), str(outputs)], check=True)
        return read_outputs(outputs)

    return run


def test_states_saved_in_python_continue_in_c(continuation, tmp_path):
    x = continuation_input()
    states, expected = [], []
    for name, parameters in every_parameter_set():
        for cut in (0, 1, 5, 99, 100, 150, 300):
            stream = Stream(name, **parameters)
            stream.update(x[:cut])
            states.append("0 " + stream.to_bytes().hex())
            expected.append((cut, stream.update(x[cut:]), stream.window()))
    (tmp_path / "states.txt").write_text("\n".join(states) + "\n")
    got = continuation("continue", tmp_path / "states.txt")
    assert len(got) == len(expected)
    for (cut, outputs, window), (c_cut, c_outputs, c_window) in zip(expected, got):
        assert cut == c_cut and same_bits(outputs, c_outputs)
        assert (window is None and c_window is None) or same_bits(window, c_window)


def test_states_saved_in_c_continue_in_python(continuation, tmp_path):
    states = tmp_path / "states.txt"
    got = continuation("save", states)
    inputs = {0: continuation_input()}
    checked = 0
    for line, (cut, c_outputs, c_window) in zip(states.read_text().splitlines(), got):
        number, hex_bytes = line.split()
        if int(number) != 0:
            continue  # the other inputs are the C program's own business
        stream = Stream.from_bytes(bytes.fromhex(hex_bytes))
        assert stream.samples == cut
        assert same_bits(stream.update(inputs[0][cut:]), c_outputs)
        window = stream.window()
        assert (window is None and c_window is None) or same_bits(window, c_window)
        checked += 1
    assert checked > 100


def test_streams_give_the_batch_bits_per_column(wti):
    table = np.column_stack([wti[:400], wti[400:800], wti[800:1200]])
    periods = [5, 20, 48]
    streams = Streams("ultimate_smoother", ["a", "b", "c"], period=periods)
    rows = [streams.update(table[0].tolist())]
    rows.append(streams.update(pd.Series(table[1][::-1], index=["c", "b", "a"])).loc[["a", "b", "c"]].to_numpy())
    rows.extend(streams.update(table[2:250]))
    frame = pd.DataFrame(table[250:], columns=["a", "b", "c"])
    rows.extend(streams.update(frame[["b", "c", "a"]])[["a", "b", "c"]].to_numpy())
    got = np.array(rows, dtype=np.float32)
    for j, period in enumerate(periods):
        assert same_bits(got[:, j], tsfilters.ultimate_smoother(table[:, j], period)), j
    assert streams.samples == 400
    assert same_bits(streams["b"].update(1.5), streams.copy().update([1.0, 1.5, 2.0])[1])


@pytest.mark.parametrize("name", OSCILLATORS)
def test_streams_peek_window_and_pickle(wti, name):
    table = np.column_stack([wti[:150], wti[150:300]])
    # Each column its own parameters: two of the filter's sets side by side.
    sets = PARAMETER_SETS[name][1:3]
    streams = Streams(name, 2, **{key: [p[key] for p in sets] for key in sets[0]})
    streams.update(table[:120])
    window = streams.window()
    for j, parameters in enumerate(sets):
        assert same_bits(window[:, j], batch(name, table[:, j], parameters)[:100]), parameters
    revived = pickle.loads(pickle.dumps(streams))
    ahead = streams.peek(table[120])
    assert streams.samples == 120
    assert same_bits(ahead, streams.update(table[120]))
    assert same_bits(revived.update(table[120]), ahead)


def test_streams_refuse_wrong_rows_and_parameters():
    streams = Streams("band_pass", ["x", "y"])
    with pytest.raises(ValueError, match="one value per column"):
        streams.update([1.0, 2.0, 3.0])
    with pytest.raises(ValueError, match="labels"):
        streams.update(pd.Series({"x": 1.0, "z": 2.0}))
    with pytest.raises(ValueError, match="'y' has a missing value"):
        streams.update([1.0, np.nan])
    assert streams.samples == 0
    with pytest.raises(ValueError, match="3 values for 2 columns"):
        Streams("band_pass", ["x", "y"], smooth_period=[1, 2, 3])
    with pytest.raises(TypeError, match="takes high_pass_period, smooth_period, not period"):
        Streams("band_pass", 2, period=3)
    with pytest.raises(ValueError, match="unknown filter 'nope'"):
        Stream("nope")
    with pytest.raises(TypeError, match="integer"):
        Stream("high_pass", period=2.5)
