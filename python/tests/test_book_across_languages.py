"""A live book saved in Python continues in the JavaScript package, and one
saved there continues here, bit for bit: every kind, several symbols, gaps
under missing="drop", a listing and a delisting on each side of the save,
warmup="nan". Every output is checked against one Stream per symbol fed the
same samples, and the JavaScript book that never saved against them too.

JavaScript runs in Node on js/test/book_job.mjs; without Node or the
package's WebAssembly build (js/generated) these tests are skipped, unless
TSFILTERS_JS_REQUIRED is set (as the WebAssembly tree sets it)."""

import base64
import json
import os
import pathlib
import shutil
import subprocess

import numpy as np
import pytest

import tsfilters

JS = pathlib.Path(__file__).resolve().parents[2] / "js"
NODE = shutil.which("node")
pytestmark = pytest.mark.skipif(
    not os.environ.get("TSFILTERS_JS_REQUIRED")
    and (NODE is None or not (JS / "generated" / "tsfilters_wasm.js").exists()),
    reason="needs Node and the JavaScript package's WebAssembly build (js/generated)")

KINDS = {
    "high_pass": {"period": [8, 13, 21, 5, 9]},
    "super_smoother": {"period": [5, 10, 30, 7, 3]},
    "ultimate_smoother": {"period": [7, 20, 9, 12, 4]},
    "band_pass": {"high_pass_period": [20, 30, 12, 16, 9], "smooth_period": [10, 6, 8, 5, 4]},
    "cybernetic_oscillator": {"high_pass_period": [20, 30, 12, 16, 9],
                              "smooth_period": [10, 6, 8, 5, 4]},
    "laguerre_filter": {"gamma": [0.8, 0.5, 0.3, 0.6, 0.2], "period": [20, 9, 14, 6, 11]},
    "laguerre_oscillator": {"gamma": [0.8, 0.5, 0.3, 0.6, 0.2], "period": [20, 9, 14, 6, 11]},
}
SYMBOLS = ["AAA", "BBB", "CCC"]
ROWS, SAVED_AT = 150, 75
# Listings and delistings on both sides of the save: EEE takes a new slot,
# FFF takes the slot BBB left.
EVENTS = {30: ("add", "EEE", 3), 50: ("remove", "BBB"), 100: ("add", "FFF", 4),
          120: ("remove", "AAA")}
NAN_BITS = np.float32("nan").view(np.uint32)


def parameters(name, j):
    return {key: values[j] for key, values in KINDS[name].items()}


def take_slot(slots, symbol):
    """A listing takes the first free slot, else a new one at the end."""
    if None in slots:
        slots[slots.index(None)] = symbol
    else:
        slots.append(symbol)


def script(name, seed):
    """The ops of one session (the same for both languages) and the index
    of the first op after the save."""
    rng = np.random.default_rng(seed)
    slots, ops, price, cut = list(SYMBOLS), [], 100.0, None
    for t in range(ROWS):
        if t == SAVED_AT:
            cut = len(ops)
        if t in EVENTS:
            event = EVENTS[t]
            if event[0] == "add":
                ops.append(["add", event[1], parameters(name, event[2])])
                take_slot(slots, event[1])
            else:
                ops.append(["remove", event[1]])
                slots[slots.index(event[1])] = None
        price += rng.standard_normal()
        values = price + rng.standard_normal(len(slots)) * 3
        gaps = rng.random(len(slots)) < 0.12
        if t % 3 == 2:  # a Map/dict row of some symbols, a gap as None
            row = [[s, None if gap else float(v)] for s, v, gap in zip(slots, values, gaps)
                   if s is not None and rng.random() < 0.7]
            ops.append(["map", row])
        else:  # a dense row; a free slot's value is not read
            ops.append(["dense", [None if gap else float(v) for v, gap in zip(values, gaps)]])
    return ops, cut, slots


def expected(name, ops):
    """What one Stream per symbol gives (per row, float32 bit patterns),
    and the streams of the symbols listed at the end."""
    alone, slots, out = {}, list(SYMBOLS), []
    for j, s in enumerate(SYMBOLS):
        alone[s] = tsfilters.Stream(name, missing="drop", warmup="nan", **parameters(name, j))
    feed = (lambda s, v: np.float32(alone[s].update(np.nan if v is None else v)).view(np.uint32))
    for op in ops:
        if op[0] == "add":
            alone[op[1]] = tsfilters.Stream(name, missing="drop", warmup="nan", **op[2])
            take_slot(slots, op[1])
            out.append(None)
        elif op[0] == "remove":
            slots[slots.index(op[1])] = None
            out.append(None)
        elif op[0] == "map":
            out.append([int(feed(s, v)) for s, v in op[1]])
        else:
            out.append([int(NAN_BITS) if s is None else int(feed(s, v))
                        for s, v in zip(slots, op[1])])
    return out, {s: alone[s] for s in slots if s is not None}


def new_book(name):
    return tsfilters.Streams(name, SYMBOLS, missing="drop", warmup="nan",
                             **{k: v[:len(SYMBOLS)] for k, v in KINDS[name].items()})


def run_here(book, ops):
    out = []
    for op in ops:
        if op[0] == "add":
            book.add(op[1], **op[2])
            out.append(None)
        elif op[0] == "remove":
            book.remove(op[1])
            out.append(None)
        elif op[0] == "map":
            got = book.update({s: v for s, v in op[1]})
            out.append([int(np.float32(got[s]).view(np.uint32)) for s, _ in op[1]])
        else:
            row = np.array([np.nan if v is None else v for v in op[1]], dtype=np.float64)
            out.append(book.update(row).view(np.uint32).tolist())
    return out


def node(jobs):
    done = subprocess.run([NODE or "node", str(JS / "test" / "book_job.mjs")], input=json.dumps(jobs),
                          capture_output=True, text=True, timeout=120, check=True)
    return json.loads(done.stdout)


def js_kind(name):
    head, *rest = name.split("_")
    return head + "".join(word.capitalize() for word in rest)


def first_difference(got, want):
    for i, (g, w) in enumerate(zip(got, want)):
        if g != w:
            return f"op {i}: {g} != {w}"
    return f"{len(got)} ops against {len(want)}"


@pytest.mark.parametrize("name", KINDS)
def test_a_book_saved_in_one_language_continues_in_the_other(name):
    ops, cut, slots = script(name, len(name))
    want, alone = expected(name, ops)
    samples = {s: stream.samples for s, stream in alone.items()}

    here = new_book(name)
    before = run_here(here, ops[:cut])
    saved = here.to_bytes()
    start_js = {"symbols": SYMBOLS, "missing": "drop", "warmup": "nan",
                "params": [parameters(name, j) for j in range(len(SYMBOLS))]}
    kind = js_kind(name)
    continued, never_saved, first_half = node([
        {"kind": kind, "start": {"load": base64.b64encode(saved).decode()}, "ops": ops[cut:],
         "save": True},
        {"kind": kind, "start": start_js, "ops": ops},
        {"kind": kind, "start": start_js, "ops": ops[:cut], "save": True},
    ])
    for reply in (continued, never_saved, first_half):
        assert "error" not in reply, reply
    assert never_saved["outputs"] == want, first_difference(never_saved["outputs"], want)

    # Python, then JavaScript: the options came along, and every output.
    got = before + continued["outputs"]
    assert got == want, first_difference(got, want)
    assert (continued["kind"], continued["missing"], continued["warmup"]) == (kind, "drop", "nan")
    assert continued["symbols"] == slots and continued["samples"] == samples

    # JavaScript, then Python.
    there = tsfilters.Streams.from_bytes(base64.b64decode(first_half["saved"]))
    assert (there.name, there.missing, there.warmup) == (name, "drop", "nan")
    got = first_half["outputs"] + run_here(there, ops[cut:])
    assert got == want, first_difference(got, want)
    assert there.columns == slots
    assert {s: there.samples_of(s) for s in slots if s is not None} == samples

    # Both ended in the state of the streams alone, series by series.
    ended = tsfilters.Streams.from_bytes(base64.b64decode(continued["saved"]))
    for s, stream in alone.items():
        assert ended[s].to_bytes() == there[s].to_bytes() == stream.to_bytes(), s


def python_only_options():
    """Books whose to_bytes() carries this package's header in front of the
    library's book: seen="skip", integer labels, a dated row."""
    import pandas as pd
    skipping = tsfilters.Streams("super_smoother", ["A", "B"], seen="skip", period=[10, 4])
    counted = tsfilters.Streams("super_smoother", 2, period=[10, 4])
    dated = tsfilters.Streams("super_smoother", ["A", "B"], period=[10, 4])
    for t in range(12):
        row = np.array([100.0 + t, 50.0 - t])
        skipping.update(row)
        counted.update(row)
        dated.update(row, at=pd.Timestamp("2024-01-02") + pd.Timedelta(days=t))
    return {"seen_skip": skipping, "integer_labels": counted, "dated": dated}


def continue_both(book, saved):
    """The next rows here and in JavaScript from `saved`: (here, there)."""
    ops = [["dense", [101.5 + t, 40.0 + t]] for t in range(6)]
    reply = node({"kind": "superSmoother", "start": {"load": base64.b64encode(saved).decode()},
                  "ops": ops})
    assert "error" not in reply, reply["error"]
    return run_here(book, ops), reply["outputs"]


@pytest.mark.parametrize("case", ["seen_skip", "integer_labels", "dated"])
def test_the_book_alone_of_a_book_with_python_options_continues_in_javascript(case):
    book = python_only_options()[case]
    here, there = continue_both(book, book.to_bytes(dates=False))
    assert here == there


@pytest.mark.parametrize("case", ["seen_skip", "integer_labels", "dated"])
def test_the_whole_saved_bytes_of_a_book_with_python_options_continue_in_javascript(case):
    book = python_only_options()[case]
    here, there = continue_both(book, book.to_bytes())
    assert here == there


def test_a_python_header_cut_short_is_refused_in_javascript():
    saved = python_only_options()["dated"].to_bytes()
    reply = node({"kind": "superSmoother", "start": {"load": base64.b64encode(saved[:20]).decode()},
                  "ops": []})
    assert "end inside the Python package's header" in reply.get("error", ""), reply
