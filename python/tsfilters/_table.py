"""The library's table of filters, read from the C table itself.

``filter_table.h`` beside this file is the C header that the library, its
tests and its hosts expand (in a source checkout it is a link to
``src/filter_table.h``; a built package carries a copy). Reading the rows
from it, instead of keeping a second list here, means a filter added to the
library appears in Python with nothing else to edit.
"""

import ctypes
import re
from dataclasses import dataclass
from pathlib import Path

# Parameter names (Python spelling) and ctypes types of each argument shape,
# in the order the C function takes them between `input` and `count`.
SHAPES = {
    "PERIOD": (("period", ctypes.c_int32),),
    "TWO_PERIODS": (("high_pass_period", ctypes.c_int32), ("smooth_period", ctypes.c_int32)),
    "GAMMA_PERIOD": (("gamma", ctypes.c_float), ("period", ctypes.c_int32)),
}


@dataclass(frozen=True)
class FilterRow:
    export: str            # the C function's name
    name: str              # the Python and command-line name
    shape: str             # a key of SHAPES
    first_written: int     # slots before this one are never written
    warmup: int            # samples before the recursion proper
    rms_window: bool       # output divided by the RMS of its first 100 values
    defaults: dict         # parameter name -> the tools' default value

    @property
    def parameters(self):
        return tuple(name for name, _ in SHAPES[self.shape])

    @property
    def argtypes(self):
        return tuple(ctype for _, ctype in SHAPES[self.shape])


_ROW = re.compile(
    r"X\(\s*(\w+),\s*(\w+),\s*(\w+),\s*(\d+),\s*(\d+),\s*([01]),"
    r"\s*(-?\d+),\s*(-?\d+),\s*(-?[\d.]+)f\s*\)"
)


def _defaults(shape, period, smooth_period, gamma):
    values = {"period": period, "smooth_period": smooth_period, "gamma": gamma}
    if shape == "TWO_PERIODS":
        values["high_pass_period"] = period
    return {name: values[name] for name, _ in SHAPES[shape]}


def parse(text):
    """The rows of a filter table header, in table order."""
    rows = []
    for m in _ROW.finditer(text):
        export, name, shape, first, warmup, rms, period, smooth, gamma = m.groups()
        if shape not in SHAPES:
            raise ValueError(f"filter table: {export} has an unknown shape {shape}")
        rows.append(FilterRow(export, name, shape, int(first), int(warmup), rms == "1",
                              _defaults(shape, int(period), int(smooth), float(gamma))))
    if not rows:
        raise ValueError("filter table: no rows found")
    return tuple(rows)


ROWS = parse((Path(__file__).with_name("filter_table.h")).read_text())
BY_NAME = {row.name: row for row in ROWS}
BY_EXPORT = {row.export: row for row in ROWS}
