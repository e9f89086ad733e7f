"""The filters, one row each, read from the library's own table.

``filter_table.h`` beside this file is the C header that the library, its
tests and its hosts expand (in a source checkout it is a link to
``src/filter_table.h``; a built package carries a copy). Reading the rows
from it, instead of keeping a second list here, means a filter added to the
library appears in Python with nothing else to edit. Everything in the
package that needs to know something about a particular filter reads it from
FILTER_TABLE.

Columns, as in the C table:
  c_name        the exported C function
  shape         the arguments between `input` and `count`:
                  "period"        int32 period
                  "two_periods"   int32 high_pass_period, int32 smooth_period
                  "gamma_period"  float gamma, int32 period
  first_written the first output slot a call writes
  warmup        samples before the recursion proper starts (copies of the
                input, zeros, or the Laguerre cascade filling from empty)
  rms_scaled    the output is divided by the RMS of its first 100 values, so
                a call needs 100 samples and writes every slot or none
  defaults      parameter values used when none are given
  precision_limit  the longest period at which the filter follows a price in
                single precision, or None for a filter that removes the level
"""

import re
from collections import namedtuple
from pathlib import Path

FilterRow = namedtuple("FilterRow",
                       "c_name shape first_written warmup rms_scaled defaults precision_limit")

# The parameter names of each shape, in the order the C function takes them.
SHAPE_PARAMETERS = {
    "period": ("period",),
    "two_periods": ("high_pass_period", "smooth_period"),
    "gamma_period": ("gamma", "period"),
}

# The oscillators' RMS is taken over this many of their first values.
RMS_WINDOW = 100

# X(Export, python_name, SHAPE, firstWritten, warmup, rmsWindow,
#   defaultPeriod, defaultSmoothPeriod, defaultGamma, precisionLimit)
_ROW = re.compile(
    r"X\(\s*(\w+),\s*(\w+),\s*(\w+),\s*(\d+),\s*(\d+),\s*([01]),"
    r"\s*(-?\d+),\s*(-?\d+),\s*(-?[\d.]+)f,\s*(\d+)\s*\)"
)


def _defaults(shape, period, smooth_period, gamma):
    values = {"period": period, "smooth_period": smooth_period, "gamma": gamma}
    if shape == "two_periods":
        values["high_pass_period"] = period
    return {name: values[name] for name in SHAPE_PARAMETERS[shape]}


def parse(text):
    """Python name -> row, in table order, from the text of a filter table."""
    table = {}
    for m in _ROW.finditer(text):
        c_name, name, shape, first, warmup, rms, period, smooth, gamma, limit = m.groups()
        shape = shape.lower()
        if shape not in SHAPE_PARAMETERS:
            raise ValueError(f"filter table: {c_name} has an unknown shape {shape}")
        table[name] = FilterRow(c_name, shape, int(first), int(warmup), rms == "1",
                                _defaults(shape, int(period), int(smooth), float(gamma)),
                                int(limit) or None)
    if not table:
        raise ValueError("filter table: no rows found")
    return table


# The header sits in the package's own folder, one above this subpackage.
HEADER = Path(__file__).resolve().parent.parent / "filter_table.h"
FILTER_TABLE = parse(HEADER.read_text())

# The number by which the stream library knows each filter: its row, from 1.
KINDS = {name: number for number, name in enumerate(FILTER_TABLE, start=1)}
NAMES = {number: name for name, number in KINDS.items()}
