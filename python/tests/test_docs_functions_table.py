"""The table of the C functions in docs/c-api.md says which slots each
function writes and what its warm-up slots hold. Each claim is checked on
the library itself, called straight through ctypes into an output prefilled
with a sentinel, and against the filter table the library is built from."""

import ctypes
import re

import numpy as np
import pytest
from conftest import REPO

import tsfilters
from tsfilters._engine.filter_table import FILTER_TABLE, RMS_WINDOW, SHAPE_PARAMETERS

SENTINEL = np.array([0x7FC0DEAD], np.uint32).view(np.float32)[0]  # a NaN no call writes


def documented_rows():
    """C name -> (slots written, warm-up) from the table's rows."""
    text = (REPO / "docs/c-api.md").read_text()
    rows = re.findall(r"^\| `(\w+)` \| `input, [^|]*` \| ([^|]+) \| ([^|]+) \|$", text, flags=re.M)
    return {name: (written.strip(), warmup.strip()) for name, written, warmup in rows}


ROWS = {row.c_name: (name, row) for name, row in FILTER_TABLE.items()}


def call(c_name, x, **changed):
    """The C function over `x` at the table's defaults (with `changed`),
    into a sentinel-filled output."""
    name, row = ROWS[c_name]
    parameters = {**row.defaults, **changed}
    arguments = [ctypes.c_float(parameters[p]) if p == "gamma" else ctypes.c_int32(parameters[p])
                 for p in SHAPE_PARAMETERS[row.shape]]
    out = np.full(len(x), SENTINEL, np.float32)
    pointer = ctypes.POINTER(ctypes.c_float)
    tsfilters._engine.library.functions()[c_name](x.ctypes.data_as(pointer), *arguments, len(x),
                                            out.ctypes.data_as(pointer))
    return out


def unwritten(out):
    return out.view(np.uint32) == SENTINEL.view(np.uint32)


def prices(n):
    rng = np.random.default_rng(7)
    return (60 + np.cumsum(rng.normal(0, 2, n))).astype(np.float32)


def laguerre_cascade_filling(x, gamma):
    """Slots 1-3 worked out by hand: the smoother's warm-up hands the samples
    on unchanged, and the stages L1.. start at 0. By slot 3 only L1 to L3
    have been reached, weighted 4, 6, 4 beside the sample; the sum is
    rounded to float and then divided by 16."""
    g = float(np.float32(gamma))
    previous, l1, l2, l3 = float(x[0]), 0.0, 0.0, 0.0
    slots = []
    for sample in x[1:4].astype(np.float64):
        l1, l2, l3 = ((previous - g * previous) + g * l1, (l1 - g * l1) + g * l2,
                      (l2 - g * l2) + g * l3)
        previous = sample
        slots.append(np.float32(((sample + 4.0 * l1) + 6.0 * l2) + 4.0 * l3) * np.float32(0.0625))
    return np.array(slots, np.float32)


def check_claim(c_name, claim, rows, seen=()):
    """Checks one clause of a warm-up cell on the library; returns the last
    warm-up slot it speaks of (or None), and fails on a clause it cannot
    read, so no claim goes unchecked."""
    x = prices(8)
    out = call(c_name, x)
    if m := re.fullmatch(r"as `(\w+)`", claim):
        assert m[1] not in seen, f"{c_name}: warm-up refers back to itself"
        return check_cell(c_name, rows[m[1]][1], rows, seen + (c_name,))
    if claim == f"needs count >= {RMS_WINDOW}":
        x = prices(RMS_WINDOW)
        assert unwritten(call(c_name, x[:-1])).all(), f"{c_name} wrote with {RMS_WINDOW - 1} samples"
        assert not unwritten(call(c_name, x)).any(), f"{c_name} left slots with {RMS_WINDOW} samples"
        return None
    m = re.fullmatch(r"slots (\d+)-(\d+) (.+?)(?: \(NaN at slots (\d+)-(\d+) for `(\w+)` 0\))?", claim)
    assert m, f"{c_name}: the warm-up claim {claim!r} is not one this test can check"
    first, last, what = int(m[1]), int(m[2]), m[3]
    slots = slice(first, last + 1)
    if what == "copy the input":
        assert np.array_equal(out[slots].view(np.uint32), x[slots].view(np.uint32)), c_name
    elif what == "are +0":
        assert (out[slots].view(np.uint32) == 0).all(), c_name
    elif what == "are 0":
        assert (out[slots] == 0).all(), c_name
    elif what == "are the Laguerre cascade filling from empty stages, over copies of the input":
        assert (first, last) == (1, 3)
        worked = laguerre_cascade_filling(x, ROWS[c_name][1].defaults["gamma"])
        assert np.array_equal(out[slots].view(np.uint32), worked.view(np.uint32)), c_name
    else:
        pytest.fail(f"{c_name}: the warm-up claim {what!r} is not one this test can check")
    if m[4]:
        parameter = {"smoothPeriod": "smooth_period", "period": "period"}[m[6]]
        nan = call(c_name, x, **{parameter: 0})
        assert np.isnan(nan[int(m[4]):int(m[5]) + 1]).all(), c_name
    return last


def check_cell(c_name, cell, rows, seen=()):
    lasts = [check_claim(c_name, claim, rows, seen) for claim in cell.split("; ")]
    return max((last for last in lasts if last is not None), default=None)


def test_the_table_has_one_row_per_filter_in_table_order():
    assert list(documented_rows()) == list(ROWS)


@pytest.mark.parametrize("c_name", list(ROWS))
def test_slots_written_are_those_the_library_writes(c_name):
    written, _ = documented_rows()[c_name]
    _, row = ROWS[c_name]
    m = re.fullmatch(r"(\d+) to count-1(, or none| \(never 0\))?", written)
    assert m, f"{c_name}: {written!r}"
    first = int(m[1])
    assert first == row.first_written
    assert (m[2] == ", or none") == row.rms_scaled
    out = call(c_name, prices(2 * RMS_WINDOW))
    assert unwritten(out[:first]).all() and not unwritten(out[first:]).any()


@pytest.mark.parametrize("c_name", list(ROWS))
def test_warm_up_column_is_what_the_library_does(c_name):
    rows = documented_rows()
    last = check_cell(c_name, rows[c_name][1], rows)
    _, row = ROWS[c_name]
    if not row.rms_scaled:
        assert last is not None and last + 1 == row.warmup, \
            f"{c_name}: the warm-up column ends at slot {last}, the filter table's at {row.warmup - 1}"
