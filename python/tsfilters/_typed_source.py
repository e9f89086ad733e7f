"""Writes ``_functions.py``, the seven filter functions as plain typed
Python, and ``_polars_methods.py``, the same seven as methods of the Polars
namespace, from the library's filter table and the comments of its header.

Type checkers and editors read source, not what a module builds when it
runs: the functions are therefore written out, one ``def`` per row of the
table with its parameters, their C types as Python types and the header's
description as docstring. A test checks that the files are what this module
writes from the current table; after changing the table, run

    /usr/bin/python3 -m tsfilters._typed_source     (from python/)
"""

import sys
from pathlib import Path

from ._descriptions import describe
from ._filter_table import FILTER_TABLE, SHAPE_PARAMETERS

TARGET = Path(__file__).with_name("_functions.py")
POLARS_TARGET = Path(__file__).with_name("_polars_methods.py")

# The Python type of each C parameter (int32_t periods, a float gamma).
_TYPES = {"period": "int", "high_pass_period": "int", "smooth_period": "int", "gamma": "float"}

_HEADER = '''\
"""The filters, one function per row of the library's filter table.

Written by tsfilters._typed_source from the table and the header's
comments; edit those, not this file (a test checks that it is current).
"""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Literal, Optional, Sequence, TypeVar, Union, overload

from ._calls import call

if TYPE_CHECKING:
    import numpy as np
    import numpy.typing as npt

# What a NaN (or null) sample does; see help(tsfilters).
Missing = Literal["error", "drop", "previous", "keep"]
# What the slots before the filter has settled hold; see help(tsfilters).
Warmup = Literal["keep", "nan"]
# A series or table the result comes back as: pandas, pyarrow or polars.
Labelled = TypeVar("Labelled")
'''

_FUNCTION = '''

@overload
def {name}(x: Union[npt.NDArray[Any], Sequence[float]], {params}, *,
{pad}missing: Missing = "error", sort: bool = False,
{pad}threads: Optional[int] = None, warmup: Warmup = "keep",
{pad}axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def {name}(x: Labelled, {params}, *, missing: Missing = "error",
{pad}sort: bool = False, threads: Optional[int] = None,
{pad}warmup: Warmup = "keep", axis: int = 0,
{pad}dim: Optional[str] = None) -> Labelled: ...
def {name}(x: Any, {params}, *, missing: Missing = "error",
{pad}sort: bool = False, threads: Optional[int] = None,
{pad}warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """{doc}
    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("{name}", x, {{{arguments}}}, missing, sort, threads, warmup, axis, dim)
'''


def source():
    """The text of ``_functions.py`` for the current table."""
    parts = [_HEADER]
    for name, row in FILTER_TABLE.items():
        keys = SHAPE_PARAMETERS[row.shape]
        doc = describe(name, row).replace("\n", "\n    ").replace("\n    \n", "\n\n")
        parts.append(_FUNCTION.format(
            name=name, pad=" " * (len(name) + 5), doc=doc.rstrip() + "\n",
            params=", ".join(f"{key}: {_TYPES[key]}" for key in keys),
            arguments=", ".join(f'"{key}": {key}' for key in keys)))
    return "".join(parts)


_POLARS_HEADER = '''\
"""The filters as methods of the Polars namespace `tsf` (tsfilters.polars),
one per row of the library's filter table.

Written by tsfilters._typed_source from the table and the header's
comments; edit those, not this file (a test checks that it is current).
"""

from __future__ import annotations

from typing import Any, Dict, Generic, TypeVar

from ._functions import Missing, Warmup

# What a method gives: an expression for an expression, a Series for a Series.
Out = TypeVar("Out")


class Methods(Generic[Out]):
    """The seven filters; parameters left out take the filter's defaults.

    missing and warmup as for the functions (help(tsfilters)); a null is a
    missing value. Under `.over(by, order_by=time)` each group runs alone,
    in time order."""

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup) -> Out:
        raise NotImplementedError
'''

_METHOD = '''
    def {name}(self, {params}, *, missing: Missing = "error",
    {pad}warmup: Warmup = "keep") -> Out:
        """{doc}"""
        return self._filter("{name}", {{{arguments}}}, missing, warmup)
'''


def polars_source():
    """The text of ``_polars_methods.py`` for the current table."""
    parts = [_POLARS_HEADER]
    for name, row in FILTER_TABLE.items():
        keys = SHAPE_PARAMETERS[row.shape]
        first = describe(name, row).split("\n\n")[0].replace("\n", "\n        ")
        parts.append(_METHOD.format(
            name=name, pad=" " * (len(name) + 5), doc=first,
            params=", ".join(f"{key}: {_TYPES[key]} = {row.defaults[key]!r}" for key in keys),
            arguments=", ".join(f'"{key}": {key}' for key in keys)))
    return "".join(parts)


if __name__ == "__main__":
    for target, text in ((TARGET, source()), (POLARS_TARGET, polars_source())):
        target.write_text(text)
        sys.stdout.write(f"wrote {target}\n")
