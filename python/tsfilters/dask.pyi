# Types of dask.py, for type checkers and editors (test_typing checks that
# they have the module's parameters).
from typing import Any, Union, overload

import dask.dataframe as dd
import pandas as pd

from ._functions import FilterName, Missing, Warmup

@overload
def apply(frame: pd.DataFrame, name: FilterName, *, value: str = "close", by: Union[str, list[str]] = "symbol",
          time: str = "date", missing: Missing = "error", warmup: Warmup = "keep",
          **parameters: Union[int, float]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: FilterName, *, value: str = "close", by: Union[str, list[str]] = "symbol",
          time: str = "date", missing: Missing = "error", warmup: Warmup = "keep",
          **parameters: Union[int, float]) -> dd.Series: ...
def run(frame: dd.DataFrame, name: FilterName, value: str, by: str, time: str,
        checked: dict[str, Any], missing: Missing, blank: int) -> dd.Series: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: FilterName, *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Union[int, float]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: FilterName, *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Union[int, float]) -> dd.DataFrame: ...
