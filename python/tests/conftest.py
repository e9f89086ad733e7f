"""Shared fixtures. The tests import the package from this checkout and find
the library through $TSFILTERS_LIBRARY (set by ctest) or the build tree; with
TSFILTERS_TEST_INSTALLED set, they test the installed package instead."""

import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

PYTHON_DIR = Path(__file__).resolve().parent.parent
REPO = PYTHON_DIR.parent
DATA = REPO / "data"
# An installed package (a wheel or sdist under test) is used as installed.
if not os.environ.get("TSFILTERS_TEST_INSTALLED"):
    sys.path.insert(0, str(PYTHON_DIR))

from tsfilters._engine.filter_table import FILTER_TABLE  # noqa: E402  (after the path)


@pytest.fixture(scope="session")
def host_demo():
    """Runs the C example host with --full over a CSV and returns its dates
    and columns (close first) as exact float32 values."""
    path = os.environ.get("TSFILTERS_HOST_DEMO", str(REPO / "build/default/examples/host_demo"))
    library = os.environ.get("TSFILTERS_LIBRARY", str(REPO / "build/default/libtsfilters.so"))
    if not os.path.exists(path):
        pytest.skip(f"no example host at {path}; build it or set TSFILTERS_HOST_DEMO")

    def run(csv):
        out = subprocess.run([path, "--full", library, str(csv), "1000000"],
                             check=True, capture_output=True, text=True).stdout
        rows = [line.split() for line in out.splitlines()[3:]]
        dates = [row[0] for row in rows]
        # %.9g text read as double and rounded to float32 gives the float back.
        values = np.array([[float(v) for v in row[1:]] for row in rows]).astype(np.float32)
        return dates, values.T

    return run


def same_bits(a, b):
    """Equal to the bit, except that any NaN equals any NaN."""
    a, b = np.asarray(a, np.float32), np.asarray(b, np.float32)
    if a.shape != b.shape or not np.array_equal(np.isnan(a), np.isnan(b)):
        return False
    keep = ~np.isnan(a)
    return np.array_equal(a[keep].view(np.uint32), b[keep].view(np.uint32))


@pytest.fixture(scope="session")
def wti():
    """The bundled WTI daily closes, oldest first, as float32."""
    from tsfilters.cli import csv_files as csvio
    table = csvio.read_table(DATA / "wti_daily.csv")
    closes = csvio.numbers(table, "close").astype(np.float32)
    closes.setflags(write=False)  # shared by the tests: none may change it
    return closes


# Parameter sets for every filter: its defaults and a few others of its
# shape, short and long periods, gamma at its ends.
OTHER_PARAMETER_SETS = {
    "period": [{"period": 2}, {"period": 3}, {"period": 100}, {"period": 250}],
    "two_periods": [{"high_pass_period": 20, "smooth_period": 3},
                    {"high_pass_period": 30, "smooth_period": 5}],
    "gamma_period": [{"gamma": 0.3, "period": 8}, {"gamma": 0.0, "period": 10},
                     {"gamma": 1.0, "period": 40}],
}
PARAMETER_SETS = {name: [row.defaults] + OTHER_PARAMETER_SETS[row.shape]
                  for name, row in FILTER_TABLE.items()}

# The filters scaled by the RMS of their first values, in table order.
OSCILLATORS = [name for name, row in FILTER_TABLE.items() if row.rms_scaled]


def every_parameter_set():
    return [(name, p) for name, sets in PARAMETER_SETS.items() for p in sets]
