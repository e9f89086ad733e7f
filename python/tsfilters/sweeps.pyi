# Types of sweeps.py, for type checkers and editors (test_typing checks
# that they have the module's parameters).
from typing import Any, Literal, Optional, Sequence, Union, overload

import numpy as np
import numpy.typing as npt
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

_Values = Union[int, float, Sequence[int], Sequence[float], range]
_Series = Union[npt.NDArray[Any], Sequence[float], "pd.Series[Any]"]

# A NumPy array with frame=False; else a frame of one column per
# combination (Polars for a Polars Series, pandas otherwise).
# generated: sweep
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["high_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[HighPassValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["high_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[HighPassValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["high_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[HighPassValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["super_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[SuperSmootherValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["super_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[SuperSmootherValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["super_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[SuperSmootherValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["ultimate_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[UltimateSmootherValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["ultimate_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[UltimateSmootherValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["ultimate_smoother"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[UltimateSmootherValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["band_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[BandPassValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["band_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[BandPassValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["band_pass"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[BandPassValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["cybernetic_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[CyberneticOscillatorValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["cybernetic_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[CyberneticOscillatorValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["cybernetic_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[CyberneticOscillatorValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["laguerre_filter"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[LaguerreFilterValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["laguerre_filter"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[LaguerreFilterValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["laguerre_filter"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[LaguerreFilterValues]) -> pd.DataFrame: ...
@overload
def sweep(x: Union[_Series, pl.Series], name: Literal["laguerre_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None, frame: Literal[False],
          warmup: Warmup = "keep", **grid: Unpack[LaguerreOscillatorValues]) -> npt.NDArray[np.float32]: ...
@overload
def sweep(x: pl.Series, name: Literal["laguerre_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[LaguerreOscillatorValues]) -> pl.DataFrame: ...
@overload
def sweep(x: _Series, name: Literal["laguerre_oscillator"], *, missing: Missing = "error",
          sort: bool = False, threads: Optional[int] = None,
          frame: Optional[Literal[True]] = None, warmup: Warmup = "keep",
          **grid: Unpack[LaguerreOscillatorValues]) -> pd.DataFrame: ...
# end generated
def combinations(name: FilterName, grid: dict[str, _Values]) -> tuple[tuple[str, ...],
                                                                      list[dict[str, Any]]]: ...
def column_name(keys: Sequence[str], parameters: dict[str, Any]) -> str: ...
