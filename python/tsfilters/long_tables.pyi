# Types of long_tables.py, for type checkers and editors (test_typing
# checks that they have the module's parameters).
from typing import Any, Iterable, List, Literal, Union, overload

import dask.dataframe as dd
import pandas as pd
import polars as pl

from typing_extensions import Unpack

# generated: imports
from ._functions import (HighPassParameters, HighPassValues, SuperSmootherParameters,
                         SuperSmootherValues, UltimateSmootherParameters,
                         UltimateSmootherValues, BandPassParameters, BandPassValues,
                         CyberneticOscillatorParameters, CyberneticOscillatorValues,
                         LaguerreFilterParameters, LaguerreFilterValues,
                         LaguerreOscillatorParameters, LaguerreOscillatorValues)
# end generated
from ._functions import FilterName, Missing, Warmup

# generated: per_symbol
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["high_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[HighPassParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["high_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[HighPassParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["high_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[HighPassParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["super_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[SuperSmootherParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["super_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[SuperSmootherParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["super_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[SuperSmootherParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["ultimate_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[UltimateSmootherParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["ultimate_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[UltimateSmootherParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["ultimate_smoother"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[UltimateSmootherParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["band_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[BandPassParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["band_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[BandPassParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["band_pass"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[BandPassParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["cybernetic_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[CyberneticOscillatorParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["cybernetic_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[CyberneticOscillatorParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["cybernetic_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[CyberneticOscillatorParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["laguerre_filter"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreFilterParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["laguerre_filter"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreFilterParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["laguerre_filter"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreFilterParameters]) -> dd.Series: ...
@overload
def per_symbol(frame: pd.DataFrame, name: Literal["laguerre_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreOscillatorParameters]) -> "pd.Series[float]": ...
@overload
def per_symbol(frame: pl.DataFrame, name: Literal["laguerre_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreOscillatorParameters]) -> pl.Series: ...
@overload
def per_symbol(frame: dd.DataFrame, name: Literal["laguerre_oscillator"], *, value: str = "close",
               by: Union[str, List[str]] = "symbol", time: str = "date",
               missing: Missing = "error", warmup: Warmup = "keep",
               **parameters: Unpack[LaguerreOscillatorParameters]) -> dd.Series: ...
# end generated
def check_columns(columns: Iterable[Any], value: str, by: Union[str, List[str]], time: str) -> None: ...
def read_pandas(frame: pd.DataFrame, value: str, by: Union[str, List[str]], time: str) -> Any: ...
def read_polars(frame: pl.DataFrame, value: str, by: Union[str, List[str]], time: str) -> Any: ...
