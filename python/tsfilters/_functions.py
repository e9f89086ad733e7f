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


@overload
def high_pass(x: Union[npt.NDArray[Any], Sequence[float]], period: int, *,
              missing: Missing = "error", sort: bool = False,
              threads: Optional[int] = None, warmup: Warmup = "keep",
              axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def high_pass(x: Labelled, period: int, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0,
              dim: Optional[str] = None) -> Labelled: ...
def high_pass(x: Any, period: int, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order high-pass filter of the series' second difference
    (HighPass).

    Slots 0-3 are 0.

      period : cut-off length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("high_pass", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def super_smoother(x: Union[npt.NDArray[Any], Sequence[float]], period: int, *,
                   missing: Missing = "error", sort: bool = False,
                   threads: Optional[int] = None, warmup: Warmup = "keep",
                   axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def super_smoother(x: Labelled, period: int, *, missing: Missing = "error",
                   sort: bool = False, threads: Optional[int] = None,
                   warmup: Warmup = "keep", axis: int = 0,
                   dim: Optional[str] = None) -> Labelled: ...
def super_smoother(x: Any, period: int, *, missing: Missing = "error",
                   sort: bool = False, threads: Optional[int] = None,
                   warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order low-pass filter fed by the mean of the two newest samples
    (SuperSmoother).

    Slots 0-1 copy the input.

      period : cut-off length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("super_smoother", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def ultimate_smoother(x: Union[npt.NDArray[Any], Sequence[float]], period: int, *,
                      missing: Missing = "error", sort: bool = False,
                      threads: Optional[int] = None, warmup: Warmup = "keep",
                      axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def ultimate_smoother(x: Labelled, period: int, *, missing: Missing = "error",
                      sort: bool = False, threads: Optional[int] = None,
                      warmup: Warmup = "keep", axis: int = 0,
                      dim: Optional[str] = None) -> Labelled: ...
def ultimate_smoother(x: Any, period: int, *, missing: Missing = "error",
                      sort: bool = False, threads: Optional[int] = None,
                      warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order low-lag smoother (UltimateSmoother).

    Slots 0-3 copy the input.

      period : smoothing length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("ultimate_smoother", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def band_pass(x: Union[npt.NDArray[Any], Sequence[float]], high_pass_period: int, smooth_period: int, *,
              missing: Missing = "error", sort: bool = False,
              threads: Optional[int] = None, warmup: Warmup = "keep",
              axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def band_pass(x: Labelled, high_pass_period: int, smooth_period: int, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0,
              dim: Optional[str] = None) -> Labelled: ...
def band_pass(x: Any, high_pass_period: int, smooth_period: int, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """HighPass followed by SuperSmoother (BandPass).

    Slots 0-3 are 0.

      high_pass_period : high-pass length in samples, meaningful range [2, INT32_MAX]
      smooth_period    : smoothing length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("band_pass", x, {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, sort, threads, warmup, axis, dim)


@overload
def cybernetic_oscillator(x: Union[npt.NDArray[Any], Sequence[float]], high_pass_period: int, smooth_period: int, *,
                          missing: Missing = "error", sort: bool = False,
                          threads: Optional[int] = None, warmup: Warmup = "keep",
                          axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def cybernetic_oscillator(x: Labelled, high_pass_period: int, smooth_period: int, *, missing: Missing = "error",
                          sort: bool = False, threads: Optional[int] = None,
                          warmup: Warmup = "keep", axis: int = 0,
                          dim: Optional[str] = None) -> Labelled: ...
def cybernetic_oscillator(x: Any, high_pass_period: int, smooth_period: int, *, missing: Missing = "error",
                          sort: bool = False, threads: Optional[int] = None,
                          warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """BandPass divided by its RMS over samples 0..99 (CyberneticOscillator).

    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere.

      high_pass_period : high-pass length in samples, meaningful range [2, INT32_MAX]
      smooth_period    : smoothing length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("cybernetic_oscillator", x, {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, sort, threads, warmup, axis, dim)


@overload
def laguerre_filter(x: Union[npt.NDArray[Any], Sequence[float]], gamma: float, period: int, *,
                    missing: Missing = "error", sort: bool = False,
                    threads: Optional[int] = None, warmup: Warmup = "keep",
                    axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def laguerre_filter(x: Labelled, gamma: float, period: int, *, missing: Missing = "error",
                    sort: bool = False, threads: Optional[int] = None,
                    warmup: Warmup = "keep", axis: int = 0,
                    dim: Optional[str] = None) -> Labelled: ...
def laguerre_filter(x: Any, gamma: float, period: int, *, missing: Missing = "error",
                    sort: bool = False, threads: Optional[int] = None,
                    warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """UltimateSmoother followed by a five-stage Laguerre cascade
    (LaguerreFilter).

    Slot 0 is never written by the library, so it is NaN.

      gamma  : damping of the Laguerre stages, meaningful range [0, 1]
      period : smoothing length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("laguerre_filter", x, {"gamma": gamma, "period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def laguerre_oscillator(x: Union[npt.NDArray[Any], Sequence[float]], gamma: float, period: int, *,
                        missing: Missing = "error", sort: bool = False,
                        threads: Optional[int] = None, warmup: Warmup = "keep",
                        axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def laguerre_oscillator(x: Labelled, gamma: float, period: int, *, missing: Missing = "error",
                        sort: bool = False, threads: Optional[int] = None,
                        warmup: Warmup = "keep", axis: int = 0,
                        dim: Optional[str] = None) -> Labelled: ...
def laguerre_oscillator(x: Any, gamma: float, period: int, *, missing: Missing = "error",
                        sort: bool = False, threads: Optional[int] = None,
                        warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """UltimateSmoother minus its first Laguerre stage, divided by the RMS of
    that difference over samples 0..99 (LaguerreOscillator).

    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere.

      gamma  : damping of the Laguerre stage, meaningful range [0, 1]
      period : smoothing length in samples, meaningful range [2, INT32_MAX]

    x is one series (1-D) or one per column (2-D, axis=0, the default);
    axis=-1 takes one series per row, as NumPy and SciPy lay them out. An
    xarray DataArray is filtered along `dim` (default: its one datetime
    dimension) and comes back with its coordinates. warmup="nan" gives NaN
    in the slots before the filter has settled (settling.warmup_length).
    """
    return call("laguerre_oscillator", x, {"gamma": gamma, "period": period}, missing, sort, threads, warmup, axis, dim)
