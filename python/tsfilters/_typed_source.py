"""Writes ``_functions.py``, the seven filter functions as plain typed
Python (and each one's parameters as a TypedDict), ``_polars_methods.py``,
the same seven as methods of the Polars namespace, and the overloads per
filter in the stubs beside the modules, from the library's filter table and
the comments of its header.

Type checkers and editors read source, not what a module builds when it
runs: the functions are therefore written out, one ``def`` per row of the
table with its parameters, their C types as Python types and the header's
description as docstring. A test checks that the files are what this module
writes from the current table; after changing the table or a template,
run

    /usr/bin/python3 -m tsfilters._typed_source     (from python/)
"""

import re
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

from typing import (TYPE_CHECKING, Any, Literal, Optional, Protocol, Sequence, TypedDict, TypeVar,
                    Union, overload)

from ._calls import call
# What a NaN sample does and what the warm-up's slots hold, named here too
# for the signatures below and for those who import them from this module.
from ._options import Missing as Missing, Warmup as Warmup

if TYPE_CHECKING:
    import numpy as np
    import numpy.typing as npt

# The filters by name, as Stream, Streams, sweep, response, per_symbol and
# settling take them: a misspelt name is a type error.
FilterName = Literal[{names}]
# A period as the library takes it: an int32, NumPy's integers too (not a
# float, which it would have to round); gamma, a real number.
Period = Union[int, "np.integer[Any]"]
Gamma = Union[float, "np.floating[Any]"]
# Streams and sweep take each parameter as one value for every column or
# grid point, or as one value each.
Periods = Union[Period, Sequence[int], "npt.NDArray[np.integer[Any]]"]
Gammas = Union[Gamma, Sequence[float], "npt.NDArray[np.floating[Any]]"]
{parameter_types}

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


# Each filter's keyword parameters as a TypedDict, which the stubs unpack
# into **parameters: in the overload for a filter's name a misspelt keyword,
# or a float period, is a type error.
_ONE = {"period": "Period", "high_pass_period": "Period", "smooth_period": "Period",
        "gamma": "Gamma"}
_EACH = {"period": "Periods", "high_pass_period": "Periods", "smooth_period": "Periods",
         "gamma": "Gammas"}
_TYPED_DICT = """

class {cls}(TypedDict, total=False):
    \"\"\"{doc}\"\"\"
{fields}
"""


def typed_dict(name, kind):
    """The TypedDict of filter `name`'s keyword parameters: "one" value
    each, or "each" (one for every column or grid point, or a sequence)."""
    return FILTER_TABLE[name].c_name + ("Parameters" if kind == "one" else "Values")


def _typed_dict_text(cls, doc, keys, types):
    fields = "\n".join(f"    {key}: {types[key]}" for key in keys)
    return _TYPED_DICT.format(cls=cls, doc=doc, fields=fields)


def _parameter_types():
    parts = []
    for name, row in FILTER_TABLE.items():
        keys = SHAPE_PARAMETERS[row.shape]
        parts.append(_typed_dict_text(typed_dict(name, "one"),
                                      f"{name}'s parameters; its defaults for those left out.",
                                      keys, _ONE))
        parts.append(_typed_dict_text(
            typed_dict(name, "each"), f"{name}'s parameters, each one value, or one per column (Streams) or "
            "the values to try (sweep).",
            keys, _EACH))
    every = dict.fromkeys(key for keys in SHAPE_PARAMETERS.values() for key in keys)
    parts.append(_typed_dict_text(
        "FilterParameters", "Any filter's parameters, where the filter is not known (Streams.add).",
        every, _ONE))
    return "".join(parts)


def source():
    """The text of ``_functions.py`` for the current table."""
    parts = [_HEADER.replace("{names}", ", ".join(f'"{name}"' for name in FILTER_TABLE))
             .replace("{parameter_types}", _parameter_types())]
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

from ._options import Missing, Warmup

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


# The stubs beside the modules hold, between a `# generated: KEY` line and
# an `# end generated` line, one overload per filter of each call that takes
# a filter by name and its parameters by keyword, written from these
# templates ({name}: the filter; {one}, {each}: its TypedDicts of one value
# per parameter, and of one value or many). Overloads keyed by a Literal
# name rather than one signature taking any keyword: a keyword the filter
# does not take, or a float period, matches no overload. A name typed as
# a union of Literals (a FilterName variable) is checked against each.
_STUB_TEMPLATES = {
    "Stream": '''
    @overload
    def __init__(self, name: Literal["{name}"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[{one}]) -> None: ...''',
    "Streams": '''
    @overload
    def __init__(self, name: Literal["{name}"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[{each}]) -> None: ...''',
    "sweep": '''
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["{name}"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[{each}]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["{name}"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[{each}]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["{name}"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[{each}]) -> pd.DataFrame: ...''',
    "per_symbol": '''
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["{name}"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[{one}]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["{name}"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[{one}]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["{name}"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[{one}]) -> dd.Series: ...''',
    "apply": '''
@overload
def apply(frame: pd.DataFrame, name: Literal["{name}"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[{one}]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["{name}"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[{one}]) -> dd.Series: ...''',
    "assign": '''
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["{name}"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[{one}]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["{name}"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[{one}]) -> dd.DataFrame: ...''',
    "settling_length": '''
@overload
def settling_length(name: Literal["{name}"], tolerance: float = 0.01,
                    **parameters: Unpack[{one}]) -> Optional[int]: ...''',
    "warmup_length": '''
@overload
def warmup_length(name: Literal["{name}"], **parameters: Unpack[{one}]) -> Optional[int]: ...''',
    "blanked": '''
@overload
def blanked(name: Literal["{name}"], warmup: Warmup, **parameters: Unpack[{one}]) -> int: ...''',
    "held_level": '''
@overload
def held_level(name: Literal["{name}"], level: float = 80.0, samples: int = ...,
               **parameters: Unpack[{one}]) -> float: ...''',
    # Only a filter with a period has periods to track.
    "tracking_periods": '''
@overload
def tracking_periods(name: Literal["{name}"], tolerance: float = 0.001, level: float = 80.0,
                     samples: int = ..., longest: int = ...,
                     **parameters: Unpack[{one}]) -> Optional[range]: ...''',
    "impulse_response": '''
@overload
def impulse_response(name: Literal["{name}"],
                     **parameters: Unpack[{one}]) -> Optional[npt.NDArray[np.float64]]: ...''',
    "response": '''
@overload
def response(name: Literal["{name}"], max_period: float = 500,
             **parameters: Unpack[{one}]) -> Response: ...''',
}

# Which filters a block has overloads for: every one but where noted.
_STUB_FILTERS = {"tracking_periods": lambda row: "period" in SHAPE_PARAMETERS[row.shape]}

STUBS = ("stream.pyi", "sweeps.pyi", "long_tables.pyi", "dask.pyi", "settling.pyi",
         "response.pyi")

_BLOCK = re.compile(r"^([ ]*)# generated: (\w+)\n.*?^[ ]*# end generated\n",
                    re.MULTILINE | re.DOTALL)


def _imports():
    """The import of every filter's TypedDicts, for a stub's overloads."""
    names = [typed_dict(name, kind) for name in FILTER_TABLE for kind in ("one", "each")]
    lines, line = [], "from ._functions import ("
    for name in names:
        if len(line) + len(name) + 2 > 96:
            lines.append(line.rstrip())
            line = " " * 25
        line += name + ", "
    return "\n".join(lines + [line.rstrip(", ") + ")"])


def _overloads(key):
    if key == "imports":
        return _imports()
    wanted = _STUB_FILTERS.get(key, lambda row: True)
    return "".join(_STUB_TEMPLATES[key].format(name=name, one=typed_dict(name, "one"),
                                               each=typed_dict(name, "each"))
                   for name, row in FILTER_TABLE.items() if wanted(row))


def stub_source(text):
    """A stub's text with each generated block written for the current
    table: the marker lines kept, what lies between them replaced."""
    def block(match):
        indent, key = match.groups()
        return (f"{indent}# generated: {key}\n{_overloads(key).lstrip(chr(10))}\n"
                f"{indent}# end generated\n")
    return _BLOCK.sub(block, text)


def written():
    """{file: its text for the current table}, for every file written here."""
    here = Path(__file__).parent
    files = {TARGET: source(), POLARS_TARGET: polars_source()}
    for stub in STUBS:
        files[here / stub] = stub_source((here / stub).read_text())
    return files


if __name__ == "__main__":
    for target, text in written().items():
        target.write_text(text)
        sys.stdout.write(f"wrote {target}\n")
