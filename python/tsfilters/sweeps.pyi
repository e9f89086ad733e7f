# Types of sweeps.py, for type checkers and editors (test_typing checks
# that they have the module's parameters).
from typing import Any, Literal, Optional, Sequence, Union, overload

import numpy as np
import numpy.typing as npt
import pandas as pd
import polars as pl

from ._functions import FilterName, Missing, Warmup

_Values = Union[int, float, Sequence[int], Sequence[float], range]
_Series = Union[npt.NDArray[Any], Sequence[float], "pd.Series[Any]"]

@overload
def sweep(x: Union[_Series, pl.Series], name: FilterName, *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: _Values) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: FilterName, *, missing: Missing = "error", sort: bool = False,
          threads: Optional[int] = None, frame: Optional[Literal[True]] = None,
          warmup: Warmup = "keep", **grid: _Values) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: FilterName, *, missing: Missing = "error", sort: bool = False,
          threads: Optional[int] = None, frame: Optional[Literal[True]] = None,
          warmup: Warmup = "keep", **grid: _Values) -> pd.DataFrame: ...
def combinations(name: FilterName, grid: dict[str, _Values]) -> tuple[tuple[str, ...],
                                                                      list[dict[str, Any]]]: ...
def column_name(keys: Sequence[str], parameters: dict[str, Any]) -> str: ...
