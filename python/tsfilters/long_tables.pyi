# Types of long_tables.py, for type checkers and editors (test_typing
# checks that they have the module's parameters).
from typing import Any, Iterable, List, Union, overload

import dask.dataframe as dd
import pandas as pd
import polars as pl

from ._functions import FilterName, Missing, Warmup

@overload
def per_symbol(frame: pd.DataFrame, name: FilterName, *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date", missing: Missing = "error",
               warmup: Warmup = "keep", **parameters: Union[int, float]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: FilterName, *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date", missing: Missing = "error",
               warmup: Warmup = "keep", **parameters: Union[int, float]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: FilterName, *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date", missing: Missing = "error",
               warmup: Warmup = "keep", **parameters: Union[int, float]) -> dd.Series: ...
def check_columns(columns: Iterable[Any], value: str, by: Union[str, List[str]], time: str) -> None: ...
def read_pandas(frame: pd.DataFrame, value: str, by: Union[str, List[str]], time: str) -> Any: ...
def read_polars(frame: pl.DataFrame, value: str, by: Union[str, List[str]], time: str) -> Any: ...
