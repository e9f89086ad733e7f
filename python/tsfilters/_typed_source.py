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
from ._engine.filter_table import FILTER_TABLE, SHAPE_PARAMETERS

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

from typing import (TYPE_CHECKING, Any, Literal, Optional, Protocol, Sequence, TypeVar, Union,
                    overload)

from ._calls import call

if TYPE_CHECKING:
    import numpy as np
    import numpy.typing as npt

# The filters by name, as Stream, Streams, sweep, response, per_symbol and
# settling take them: a misspelt name is a type error.
FilterName = Literal[{names}]
# What a NaN (or null) sample does; see help(tsfilters).
Missing = Literal["error", "drop", "previous", "keep"]
# What the slots before the filter has settled hold; see help(tsfilters).
Warmup = Literal["keep", "nan"]


class _Column(Protocol):
    """A pandas, polars or pyarrow series or table, or an xarray DataArray:
    they all have to_numpy (a str has not, so a column's name passed for
    the column is a type error)."""

    def to_numpy(self, *args: Any, **kwargs: Any) -> Any: ...


class _ArrowTable(Protocol):
    """A pyarrow Table, the one of them without to_numpy."""

    def __arrow_c_stream__(self, *args: Any, **kwargs: Any) -> Any: ...


# A series or table the result comes back as, in its own type.
Labelled = TypeVar("Labelled", bound=Union[_Column, _ArrowTable])
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
    x is one series (1-D) or one per column (2-D). A pandas, polars or
    pyarrow series or table, or an xarray DataArray, comes back as its own
    type with its labels; anything else as a new float32 NumPy array.
    Parameters left out take the filter's defaults, as Stream does.

      missing : what a NaN, null or infinite sample does: "error" raises,
                naming it; "drop" filters without it (NaN in its slot);
                "previous" carries the last value forward; "keep" passes it
      sort    : True filters a pandas object in the order of its index,
                whatever order it comes in (the result keeps the caller's)
      threads : threads sharing a 2-D input's columns; None picks as many
                as the work is worth, up to every core; 1 is this thread
      warmup  : "nan" blanks the slots before the filter has settled
                (settling.warmup_length); "keep" leaves the library's values
      axis    : axis=0 takes time down a 2-D array's columns; axis=-1
                one series per row, as NumPy and SciPy lay them out
      dim     : the time dimension of an xarray DataArray (default: its
                one datetime dimension)

    >>> import numpy as np, tsfilters
    >>> out = tsfilters.{name}(50 + np.sin(np.arange(300) / 5), {example})
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("{name}", x, {{{arguments}}}, missing, sort, threads, warmup, axis, dim)
'''


def _parameters(row):
    """The parameters of a filter's signature, with the table's defaults."""
    keys = SHAPE_PARAMETERS[row.shape]
    return ", ".join(f"{key}: {_TYPES[key]} = {row.defaults[key]!r}" for key in keys)


def source():
    """The text of ``_functions.py`` for the current table."""
    parts = [_HEADER.replace("{names}", ", ".join(f'"{name}"' for name in FILTER_TABLE))]
    for name, row in FILTER_TABLE.items():
        keys = SHAPE_PARAMETERS[row.shape]
        doc = describe(name, row).replace("\n", "\n    ").replace("\n    \n", "\n\n")
        parts.append(_FUNCTION.format(
            name=name, pad=" " * (len(name) + 5), doc=doc.rstrip() + "\n",
            params=_parameters(row),
            example=", ".join(f"{key}={row.defaults[key]!r}" for key in keys),
            arguments=", ".join(f'"{key}": {key}' for key in keys)))
    return "".join(parts)


_POLARS_HEADER = '''\
"""The filters as methods of the Polars namespace `tsf` (tsfilters.polars),
one per row of the library's filter table.

Written by tsfilters._typed_source from the table and the header's
comments; edit those, not this file (a test checks that it is current).
"""

from __future__ import annotations

from typing import Any, Dict, Generic, Optional, Sequence, TypeVar, Union

from ._functions import Missing, Warmup

# What a method gives: an expression for an expression, a Series for a Series.
Out = TypeVar("Out")
# The symbol column of a long table, or several (a symbol and its venue).
Keys = Union[str, Sequence[str], None]


class Methods(Generic[Out]):
    """The seven filters; parameters left out take the filter's defaults.

    missing and warmup as for the functions (help(tsfilters)); a null is a
    missing value. With by= (the symbol column, or several) and time=, an
    expression filters each symbol alone in time order, in one call, with
    the checks of tsfilters.per_symbol."""

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup, by: Keys, time: Optional[str]) -> Out:
        raise NotImplementedError
'''

_METHOD = '''
    def {name}(self, {params}, *, missing: Missing = "error",
    {pad}warmup: Warmup = "keep", by: Keys = None,
    {pad}time: Optional[str] = None) -> Out:
        """{doc}"""
        return self._filter("{name}", {{{arguments}}}, missing, warmup, by, time)
'''


def polars_source():
    """The text of ``_polars_methods.py`` for the current table."""
    parts = [_POLARS_HEADER]
    for name, row in FILTER_TABLE.items():
        keys = SHAPE_PARAMETERS[row.shape]
        first = describe(name, row).split("\n\n")[0].replace("\n", "\n        ")
        parts.append(_METHOD.format(
            name=name, pad=" " * (len(name) + 5), doc=first,
            params=_parameters(row),
            arguments=", ".join(f'"{key}": {key}' for key in keys)))
    return "".join(parts)


if __name__ == "__main__":
    for target, text in ((TARGET, source()), (POLARS_TARGET, polars_source())):
        target.write_text(text)
        sys.stdout.write(f"wrote {target}\n")
