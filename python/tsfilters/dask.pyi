# Types of dask.py, for type checkers and editors (test_typing checks that
# they have the module's parameters).
from typing import Any, Literal, Union, overload

import dask.dataframe as dd
import pandas as pd

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

# generated: apply
@overload
def apply(frame: pd.DataFrame, name: Literal["high_pass"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[HighPassParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["high_pass"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[HighPassParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["super_smoother"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[SuperSmootherParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["super_smoother"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[SuperSmootherParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["ultimate_smoother"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[UltimateSmootherParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["ultimate_smoother"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[UltimateSmootherParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["band_pass"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[BandPassParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["band_pass"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[BandPassParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["cybernetic_oscillator"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[CyberneticOscillatorParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["cybernetic_oscillator"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[CyberneticOscillatorParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["laguerre_filter"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[LaguerreFilterParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["laguerre_filter"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[LaguerreFilterParameters]) -> dd.Series: ...
@overload
def apply(frame: pd.DataFrame, name: Literal["laguerre_oscillator"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[LaguerreOscillatorParameters]) -> "pd.Series[float]": ...
@overload
def apply(frame: dd.DataFrame, name: Literal["laguerre_oscillator"], *, value: str = "close",
          by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
          warmup: Warmup = "keep", **parameters: Unpack[LaguerreOscillatorParameters]) -> dd.Series: ...
# end generated
def run(frame: dd.DataFrame, name: FilterName, value: str, by: str, time: str,
        checked: dict[str, Any], missing: Missing, blank: int) -> dd.Series: ...
# generated: assign
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["high_pass"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[HighPassParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["high_pass"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[HighPassParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["super_smoother"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[SuperSmootherParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["super_smoother"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[SuperSmootherParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["ultimate_smoother"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[UltimateSmootherParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["ultimate_smoother"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[UltimateSmootherParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["band_pass"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[BandPassParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["band_pass"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[BandPassParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["cybernetic_oscillator"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[CyberneticOscillatorParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["cybernetic_oscillator"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[CyberneticOscillatorParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["laguerre_filter"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[LaguerreFilterParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["laguerre_filter"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[LaguerreFilterParameters]) -> dd.DataFrame: ...
@overload
def assign(frame: pd.DataFrame, column: str, name: Literal["laguerre_oscillator"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[LaguerreOscillatorParameters]) -> pd.DataFrame: ...
@overload
def assign(frame: dd.DataFrame, column: str, name: Literal["laguerre_oscillator"], *, value: str = "close",
           by: Union[str, list[str]] = "symbol", time: str = "date", missing: Missing = "error",
           warmup: Warmup = "keep", **parameters: Unpack[LaguerreOscillatorParameters]) -> dd.DataFrame: ...
# end generated
