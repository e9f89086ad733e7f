"""Streams on the library's book: every column exactly the Stream fed the
same samples, through dense and dict rows, gaps, listings and delistings;
warm-up, out=, and the whole book saved and continued (in Python and in the
library's own calls)."""

import ctypes
import pickle
import struct
import zlib

import numpy as np
import pandas as pd
import pytest
from conftest import same_bits

import tsfilters
from tsfilters._engine.stream_library import functions

KINDS = {
    "high_pass": {"period": [8, 13, 21]},
    "super_smoother": {"period": [5, 10, 30]},
    "ultimate_smoother": {"period": [7, 20, 9]},
    "band_pass": {"high_pass_period": [20, 30, 12], "smooth_period": [10, 6, 8]},
    "cybernetic_oscillator": {"high_pass_period": [20, 30, 12], "smooth_period": [10, 6, 8]},
    "laguerre_filter": {"gamma": [0.8, 0.5, 0.3], "period": [20, 9, 14]},
    "laguerre_oscillator": {"gamma": [0.8, 0.5, 0.3], "period": [20, 9, 14]},
}


def one(parameters, j):
    return {key: values[j % len(values)] for key, values in parameters.items()}


@pytest.mark.parametrize("name", KINDS)
def test_each_column_is_its_own_stream_through_gaps_listings_and_delistings(name):
    rng = np.random.default_rng(len(name))
    parameters = KINDS[name]
    symbols = [f"S{j}" for j in range(11)]
    book = tsfilters.Streams(name, symbols, missing="drop",
                             **{k: [one(parameters, j)[k] for j in range(11)] for k in parameters})
    alone = {s: tsfilters.Stream(name, missing="drop", **one(parameters, j))
             for j, s in enumerate(symbols)}
    listed = len(symbols)
    for r in range(260):
        if r % 40 == 17:  # a delisting, then a listing that takes its slot
            gone = sorted(alone)[r % len(alone)]
            book.remove(gone)
            del alone[gone]
            new = f"N{listed}"
            assert book.add(new, **one(parameters, listed)) == book.columns.index(new)
            alone[new] = tsfilters.Stream(name, missing="drop", **one(parameters, listed))
            listed += 1
        values = 100 + np.cumsum(rng.standard_normal(len(book.columns)))
        values[rng.random(values.size) < 0.1] = np.nan
        if r % 3 == 0:  # a dict row of some of the columns, None and pd.NA as gaps
            names = [c for c in book.columns if c is not None and rng.random() < 0.6]
            row = {c: values[book.columns.index(c)] for c in names}
            for c in names[:2]:
                row[c] = None if r % 2 else pd.NA
            out = book.update(row)
            assert list(out) == names
            for c in names:
                expected = alone[c].update(float("nan") if row[c] is None or row[c] is pd.NA
                                           else row[c])
                assert same_bits(np.float32(out[c]), np.float32(expected)), (r, c)
        else:
            ahead = book.peek(values)
            out = book.update(values)
            assert same_bits(ahead, out)
            for slot, c in enumerate(book.columns):
                if c is None:
                    assert np.isnan(out[slot])
                else:
                    assert same_bits(out[slot], np.float32(alone[c].update(values[slot]))), (r, c)
    for c, stream in alone.items():
        assert book.samples_of(c) == stream.samples
        assert book[c].to_bytes() == stream.to_bytes()


def test_absent_symbols_and_missing_markers_are_alike_in_every_form():
    make = lambda: tsfilters.Streams("band_pass", ["a", "b", "c"], missing="drop")  # noqa: E731
    forms = [
        lambda: {"a": 70.0, "b": None, "c": 2.5},
        lambda: {"a": 70.0, "b": pd.NA, "c": 2.5},
        lambda: {"a": 70.0, "b": float("nan"), "c": 2.5},
        lambda: {"a": 70.0, "c": 2.5},
        lambda: pd.Series([70.0, None, 2.5], index=["a", "b", "c"], dtype=object),
        lambda: pd.Series([70.0, pd.NA, 2.5], index=["a", "b", "c"], dtype="Float64"),
        lambda: pd.Series([70.0, 2.5], index=["a", "c"]),
        lambda: np.array([70.0, np.nan, 2.5]),
    ]
    results = []

    def value(out, key, j):
        if isinstance(out, np.ndarray):
            return out[j]
        return out[key] if key in (out if isinstance(out, dict) else out.index) else np.nan

    for form in forms:
        book = make()
        book.update(np.array([69.0, 1.0, 2.4]))
        peeked, out = book.peek(form()), book.update(form())
        assert np.isnan(value(peeked, "b", 1)) and np.isnan(value(out, "b", 1))
        assert same_bits(np.float32(value(peeked, "a", 0)), np.float32(value(out, "a", 0)))
        results.append((value(out, "a", 0), value(out, "c", 2), book.samples_of("b")))
    assert len(set(results)) == 1 and results[0][2] == 1
    strict = tsfilters.Streams("band_pass", ["a", "b", "c"])
    for form in forms:
        with pytest.raises(ValueError, match="'b'|\\['b'\\]"):
            strict.update(form())
    assert strict.samples == 0


def test_dict_rows_of_every_size_and_order_are_each_symbols_own_stream(wti):
    # Dict rows under drop and keep take a short way (values straight into a
    # scratch row the book keeps, one call): whatever the size and order of
    # the rows, each symbol's outputs are those of a Stream of its own, and
    # a copy made between rows peeks as the Streams' copies do.
    symbols = [f"S{j}" for j in range(40)]
    books = {m: tsfilters.Streams("laguerre_filter", symbols, missing=m, gamma=0.6)
             for m in ("drop", "keep")}
    alone = {s: tsfilters.Stream("laguerre_filter", gamma=0.6) for s in symbols}
    rng = np.random.default_rng(4)
    copies = None
    for r in range(60):
        size = [40, 3, 17, 40, 1][r % 5]
        chosen = rng.permutation(40)[:size] if r % 3 else np.arange(size)
        row = {symbols[j]: float(wti[r + 7 * j]) if j % 4 else int(wti[r + 7 * j]) for j in chosen}
        want = np.float32([alone[s].update(float(v)) for s, v in row.items()])
        for book in books.values():
            got = book.update(dict(row))
            assert list(got) == list(row) and same_bits(np.float32(list(got.values())), want)
        if r == 30:
            copies = {m: book.copy() for m, book in books.items()}
            kept = {s: stream.copy() for s, stream in alone.items()}
    later = {symbols[j]: 55.5 + j for j in range(40)}
    want = np.float32([kept[s].peek(v) for s, v in later.items()])
    for book in copies.values():
        assert same_bits(np.float32(list(book.peek(later).values())), want)
    with pytest.raises(TypeError, match="real number"):
        books["drop"].update({"S1": "71.4"})
    with pytest.raises(TypeError, match="real number"):
        books["drop"].update({"S1": True, "S2": 70.0})


def test_out_takes_the_outputs_and_nothing_else_is_made():
    book = tsfilters.Streams("super_smoother", 5, period=10, missing="drop")
    twin = book.copy()
    out = np.full(5, -1.0, dtype=np.float32)
    row = np.arange(5.0) + 50
    assert book.update(row, out) is out and same_bits(out, twin.update(row))
    peeked = np.empty(5, dtype=np.float32)
    assert book.peek(row + 1, peeked) is peeked and same_bits(peeked, twin.peek(row + 1))
    given = {}
    assert book.update({1: 51.0}, given) is given and list(given) == [1]
    for bad in (np.empty(4, np.float32), np.empty(5, np.float64), np.empty(10, np.float32)[::2],
                [0.0] * 5):
        with pytest.raises(ValueError):
            book.update(row, bad)
    assert book.samples_of(0) == 1 and book.samples_of(1) == 2


@pytest.mark.parametrize("name", ["laguerre_filter", "cybernetic_oscillator", "high_pass"])
def test_warmup_blanks_each_column_until_its_own_settling_length(name):
    rng = np.random.default_rng(5)
    closes = 100 + np.cumsum(rng.standard_normal((300, 2)), axis=0)
    periods = {"period": [10, 30]} if name != "cybernetic_oscillator" \
        else {"high_pass_period": [10, 30], "smooth_period": [5, 8]}
    book = tsfilters.Streams(name, ["a", "b"], warmup="nan", missing="drop", **periods)
    single = tsfilters.Stream(name, warmup="nan", **{k: v[1] for k, v in periods.items()})
    late = closes.copy()
    late[:50, 1] = np.nan  # b's samples start at row 50: its warm-up counts from there
    out = np.array([book.update(row) for row in late])
    batch = getattr(tsfilters, name)
    # An oscillator's first 100 outputs are known only at its 100th sample.
    known = 100 if name.endswith("oscillator") else 0
    for j in range(2):
        expected = batch(closes[:, j] if j == 0 else closes[50:, 1], warmup="nan",
                         **{k: v[j] for k, v in periods.items()})
        assert same_bits(out[(0 if j == 0 else 50) + known:, j], expected[known:])
        assert np.isnan(out[(0 if j == 0 else 50):, j][np.isnan(expected)]).all()
    assert same_bits(np.array([single.update(v) for v in closes[50:, 1]]), out[50:, 1])
    again = tsfilters.Streams.from_bytes(book.to_bytes())
    assert again.warmup == "nan" and same_bits(again.update(closes[0]), book.update(closes[0]))


def saved_book(data):
    """The library's book inside to_bytes' bytes."""
    if data.startswith(b"TSFD"):
        data = data[8 + struct.unpack_from("<I", data, 4)[0]:]
    return data[:struct.unpack_from("<q", data, 8)[0]]


def test_a_saved_book_continues_in_python_and_in_the_library_bit_for_bit():
    dates = pd.date_range("2024-01-01", periods=60)
    frame = pd.DataFrame(100 + np.cumsum(np.random.default_rng(9).standard_normal((60, 3)), 0),
                         index=dates, columns=["CL", "NG", "HO"])
    book = tsfilters.Streams("laguerre_oscillator", ["CL", "NG", "HO"], seen="skip",
                             missing="drop", gamma=[0.5, 0.6, 0.7])
    book.update(frame.iloc[:40])
    book.remove("NG")
    book.add("RB", gamma=0.4)
    book.update(frame.iloc[40:50].rename(columns={"NG": "RB"}))
    data = book.to_bytes()
    again = tsfilters.Streams.from_bytes(data)
    assert (again.columns, again.missing, again.seen) == (["CL", "RB", "HO"], "drop", "skip")
    assert again.last_date_of("RB") == dates[49] and again.samples_of("RB") == 10
    rest = frame.iloc[45:].rename(columns={"NG": "RB"})  # a reconnect re-sends 45..49
    assert same_bits(again.update(rest).to_numpy(), book.update(rest).to_numpy())
    assert again.to_bytes() == book.to_bytes() and pickle.loads(pickle.dumps(book)).to_bytes() \
        == book.to_bytes()
    # The library itself loads the book and takes the next row to the same bits.
    lib, raw = functions(), saved_book(book.to_bytes())
    memory = np.zeros(lib.book_bytes(7, 8) // 8 + 1, dtype=np.uint64)
    assert lib.book_load(memory.ctypes.data, memory.nbytes, 8, raw, len(raw)) == 0
    row = np.array([101.0, 99.0, 98.0], dtype=np.float32)
    native = np.empty(3, dtype=np.float32)
    assert lib.book_update(memory.ctypes.data, row.ctypes.data, native.ctypes.data) == 3
    assert same_bits(native, book.update(row.astype(np.float64)))


def test_integer_labels_and_free_slots_come_back():
    book = tsfilters.Streams("high_pass", [10, 20, 30], period=9)
    book.update(np.array([1.0, 2.0, 3.0]))
    book.remove(20)
    again = tsfilters.Streams.from_bytes(book.to_bytes())
    assert again.columns == [10, None, 30] and again.samples_of(30) == 1
    assert np.isnan(again.update(np.array([4.0, 99.0, 5.0]))[1])
    with pytest.raises(TypeError, match="pickle keeps any"):
        tsfilters.Streams("high_pass", [(1, 2)]).to_bytes()
    assert pickle.loads(pickle.dumps(tsfilters.Streams("high_pass", [(1, 2)]))).columns == [(1, 2)]


def with_crc(data):
    return data[:-4] + struct.pack("<I", zlib.crc32(data[:-4]))


def header_bytes(header, rest):
    import json
    text = json.dumps(header).encode()
    return b"TSFD" + struct.pack("<I", len(text)) + text + rest


def crafted_books():
    book = tsfilters.Streams("super_smoother", ["a", "b"], period=[10, 12], warmup="nan")
    book.update(pd.Series([1.0, 2.0], index=["a", "b"], name=pd.Timestamp("2024-01-02")))
    data = book.to_bytes(dates=False)
    size = struct.unpack_from("<q", data, 8)[0]
    head, record = data[:size], data[size:]
    good = {"seen": "error", "clock": ["timestamp", None], "last": [1, 2]}
    return {
        "a symbol named twice": head + with_crc(record.replace(b"\x01\x00\x00\x00b",
                                                               b"\x01\x00\x00\x00a")),
        "a warm-up of 7": head + with_crc(record[:6] + b"\x07\x00" + record[8:]),
        "a record cut short": head + with_crc(record[:-6] + record[-4:]),
        "bytes after the record": head + record + b"\x00",
        "a book slot count of 3": with_crc(head[:16] + struct.pack("<i", 3) + head[20:]) + record,
        "a free list into the records": with_crc(head[:24] + struct.pack("<i", 1) + head[28:])
        + record,
        "a last date for a third slot": header_bytes({**good, "last": [1, 2, 3]}, data),
        "a last date that is text": header_bytes({**good, "last": ["2024", 2]}, data),
        "a last date without a clock": header_bytes({**good, "clock": None}, data),
        "a clock of no zone": header_bytes({**good, "clock": ["timestamp", "Mars/Base"]}, data),
        "a seen of maybe": header_bytes({**good, "seen": "maybe"}, data),
        "labels where symbols are": header_bytes({**good, "labels": [1, 1]}, data),
        "an extra key": header_bytes({**good, "extra": 1}, data),
        "a header past the end": b"TSFD" + struct.pack("<I", 10**6) + b"{}",
        "nested arrays": header_bytes([[[[]]]], data)[:8] + b"[" * 100_000 + b"]" * 100_000,
        "a stream's state": tsfilters.Stream("high_pass").to_bytes(),
    }


@pytest.mark.parametrize("case", list(crafted_books()))
def test_crafted_saved_books_are_refused(case):
    data = crafted_books()[case]
    with pytest.raises(ValueError, match="not a saved Streams"):
        tsfilters.Streams.from_bytes(data)


def test_a_crafted_pickle_of_a_book_is_refused_and_the_labels_checked():
    from tsfilters.stream import _streams_from_book
    book = tsfilters.Streams("super_smoother", ["a", "b"])
    data = book.__reduce__()[1][0]
    for labels in (["a"], ["a", "a"], ["a", None], [[], "b"]):
        with pytest.raises(ValueError, match="not a saved Streams"):
            _streams_from_book(data, labels)
    with pytest.raises(ValueError):
        _streams_from_book(data, ["a", "b"], threads=-1)
