# Types of stream.py's public classes, for type checkers and editors (kept
# beside the module so that its code stays as it is; test_typing checks
# that every method here has the module's parameters).
from typing import Any, Literal, Optional, Sequence, Union, overload

import numpy as np
import numpy.typing as npt
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
from ._functions import FilterName, FilterParameters
from ._functions import Labelled as _Labelled
from ._functions import _Column

_Number = Union[float, np.floating[Any], np.integer[Any]]

_Missing = Literal["error", "drop", "keep"]
_Seen = Literal["error", "skip"]
_Warmup = Literal["keep", "nan"]

class Stream:
    name: FilterName
    missing: str
    seen: str
    last_date: Any
    parameters: dict[str, Union[int, float]]
    warmup: str
    # generated: Stream
    @overload
    def __init__(self, name: Literal["high_pass"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[HighPassParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["super_smoother"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[SuperSmootherParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["ultimate_smoother"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[UltimateSmootherParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["band_pass"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[BandPassParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["cybernetic_oscillator"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[CyberneticOscillatorParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["laguerre_filter"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[LaguerreFilterParameters]) -> None: ...
    @overload
    def __init__(self, name: Literal["laguerre_oscillator"], *, missing: _Missing = "error",
                 seen: _Seen = "error", warmup: _Warmup = "keep",
                 **parameters: Unpack[LaguerreOscillatorParameters]) -> None: ...
    # end generated
    def reset(self) -> None: ...
    @overload
    def update(self, x: _Number, *, at: Any = None) -> float: ...
    # A pandas Series comes back as one with its index; any other series
    # (a Polars Series, a pyarrow Array, a DataArray) as a NumPy array.
    @overload
    def update(self, x: pd.Series[Any], *, at: Any = None) -> pd.Series[float]: ...
    @overload
    def update(self, x: Union[npt.NDArray[Any], Sequence[float], _Column], *,
               at: Any = None) -> npt.NDArray[np.float32]: ...
    def peek(self, x: _Number) -> float: ...
    def window(self) -> Optional[npt.NDArray[np.float32]]: ...
    @property
    def samples(self) -> int: ...
    def copy(self) -> Stream: ...
    def to_bytes(self, *, dates: bool = True) -> bytes: ...
    @classmethod
    def from_bytes(cls, data: bytes, *, missing: _Missing = "error",
                   seen: _Seen = "error", warmup: _Warmup = "keep") -> Stream: ...

class Streams:
    name: str
    missing: str
    seen: str
    warmup: str
    threads: Optional[int]
    @property
    def columns(self) -> list[Any]: ...
    @property
    def parameters(self) -> list[Optional[dict[str, Union[int, float]]]]: ...
    @property
    def last_date(self) -> Any: ...
    # generated: Streams
    @overload
    def __init__(self, name: Literal["high_pass"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[HighPassValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["super_smoother"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[SuperSmootherValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["ultimate_smoother"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[UltimateSmootherValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["band_pass"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[BandPassValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["cybernetic_oscillator"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[CyberneticOscillatorValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["laguerre_filter"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[LaguerreFilterValues]) -> None: ...
    @overload
    def __init__(self, name: Literal["laguerre_oscillator"], columns: Union[int, Sequence[Any]], *,
                 missing: _Missing = "error", seen: _Seen = "error",
                 threads: Optional[int] = None, warmup: _Warmup = "keep",
                 **parameters: Unpack[LaguerreOscillatorValues]) -> None: ...
    # end generated
    def add(self, label: Any, **parameters: Unpack[FilterParameters]) -> int: ...
    def remove(self, label: Any) -> None: ...
    def reset(self, column: Any = ...) -> None: ...
    # A row comes back in its own form: a list row as a list, rows of
    # lists (or tuples) as an array. out= takes an array row's or a dict
    # row's outputs. A Series row whose date every column has seen already
    # is skipped whole under seen="skip": None.
    @overload
    def update(self, row: dict[Any, Any], out: Optional[dict[Any, float]] = None, *,
               at: Any = None) -> dict[Any, float]: ...
    @overload
    def update(self, row: list[float], out: None = None, *, at: Any = None) -> list[float]: ...
    @overload
    def update(self, row: npt.NDArray[Any], out: Optional[npt.NDArray[np.float32]] = None, *,
               at: Any = None) -> npt.NDArray[np.float32]: ...
    @overload
    def update(self, row: Union[tuple[float, ...], Sequence[Sequence[float]]], out: None = None, *,
               at: Any = None) -> npt.NDArray[np.float32]: ...
    @overload
    def update(self, row: pd.Series[Any], out: None = None, *,
               at: Any = None) -> Optional[pd.Series[float]]: ...
    @overload
    def update(self, row: _Labelled, out: None = None, *, at: Any = None) -> _Labelled: ...
    @overload
    def peek(self, row: dict[Any, Any], out: Optional[dict[Any, float]] = None) -> dict[Any, float]: ...
    @overload
    def peek(self, row: list[float], out: None = None) -> list[float]: ...
    @overload
    def peek(self, row: npt.NDArray[Any],
             out: Optional[npt.NDArray[np.float32]] = None) -> npt.NDArray[np.float32]: ...
    @overload
    def peek(self, row: tuple[float, ...], out: None = None) -> npt.NDArray[np.float32]: ...
    @overload
    def peek(self, row: pd.Series[Any], out: None = None) -> pd.Series[float]: ...
    @overload
    def peek(self, row: _Labelled, out: None = None) -> _Labelled: ...
    def window(self) -> Optional[npt.NDArray[np.float32]]: ...
    @property
    def samples(self) -> int: ...
    def samples_of(self, column: Any) -> int: ...
    def last_date_of(self, column: Any) -> Any: ...
    def __getitem__(self, column: Any) -> Stream: ...
    def copy(self) -> Streams: ...
    def to_bytes(self, *, dates: bool = True) -> bytes: ...
    @classmethod
    def from_bytes(cls, data: bytes, *, threads: Optional[int] = None) -> Streams: ...
