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
FilterName = Literal["high_pass", "super_smoother", "ultimate_smoother", "band_pass", "cybernetic_oscillator", "laguerre_filter", "laguerre_oscillator"]
# A period as the library takes it: an int32, NumPy's integers too (not a
# float, which it would have to round); gamma, a real number.
Period = Union[int, "np.integer[Any]"]
Gamma = Union[float, "np.floating[Any]"]
# Streams and sweep take each parameter as one value for every column or
# grid point, or as one value each.
Periods = Union[Period, Sequence[int], "npt.NDArray[np.integer[Any]]"]
Gammas = Union[Gamma, Sequence[float], "npt.NDArray[np.floating[Any]]"]


class HighPassParameters(TypedDict, total=False):
    """high_pass's parameters; its defaults for those left out."""
    period: Period


class HighPassValues(TypedDict, total=False):
    """high_pass's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    period: Periods


class SuperSmootherParameters(TypedDict, total=False):
    """super_smoother's parameters; its defaults for those left out."""
    period: Period


class SuperSmootherValues(TypedDict, total=False):
    """super_smoother's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    period: Periods


class UltimateSmootherParameters(TypedDict, total=False):
    """ultimate_smoother's parameters; its defaults for those left out."""
    period: Period


class UltimateSmootherValues(TypedDict, total=False):
    """ultimate_smoother's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    period: Periods


class BandPassParameters(TypedDict, total=False):
    """band_pass's parameters; its defaults for those left out."""
    high_pass_period: Period
    smooth_period: Period


class BandPassValues(TypedDict, total=False):
    """band_pass's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    high_pass_period: Periods
    smooth_period: Periods


class CyberneticOscillatorParameters(TypedDict, total=False):
    """cybernetic_oscillator's parameters; its defaults for those left out."""
    high_pass_period: Period
    smooth_period: Period


class CyberneticOscillatorValues(TypedDict, total=False):
    """cybernetic_oscillator's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    high_pass_period: Periods
    smooth_period: Periods


class LaguerreFilterParameters(TypedDict, total=False):
    """laguerre_filter's parameters; its defaults for those left out."""
    gamma: Gamma
    period: Period


class LaguerreFilterValues(TypedDict, total=False):
    """laguerre_filter's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    gamma: Gammas
    period: Periods


class LaguerreOscillatorParameters(TypedDict, total=False):
    """laguerre_oscillator's parameters; its defaults for those left out."""
    gamma: Gamma
    period: Period


class LaguerreOscillatorValues(TypedDict, total=False):
    """laguerre_oscillator's parameters, each one value, or one per column (Streams) or the values to try (sweep)."""
    gamma: Gammas
    period: Periods


class FilterParameters(TypedDict, total=False):
    """Any filter's parameters, where the filter is not known (Streams.add)."""
    period: Period
    high_pass_period: Period
    smooth_period: Period
    gamma: Gamma


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


@overload
def high_pass(x: Union[npt.NDArray[Any], Sequence[float]], period: int = 20, *,
              missing: Missing = "error", sort: bool = False,
              threads: Optional[int] = None, warmup: Warmup = "keep",
              axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def high_pass(x: Labelled, period: int = 20, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0,
              dim: Optional[str] = None) -> Labelled: ...
def high_pass(x: Any, period: int = 20, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order high-pass filter of the series' second difference
    (HighPass).

    Slots 0-3 are 0.

      period : cut-off length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.high_pass(50 + np.sin(np.arange(300) / 5), period=20)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("high_pass", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def super_smoother(x: Union[npt.NDArray[Any], Sequence[float]], period: int = 20, *,
                   missing: Missing = "error", sort: bool = False,
                   threads: Optional[int] = None, warmup: Warmup = "keep",
                   axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def super_smoother(x: Labelled, period: int = 20, *, missing: Missing = "error",
                   sort: bool = False, threads: Optional[int] = None,
                   warmup: Warmup = "keep", axis: int = 0,
                   dim: Optional[str] = None) -> Labelled: ...
def super_smoother(x: Any, period: int = 20, *, missing: Missing = "error",
                   sort: bool = False, threads: Optional[int] = None,
                   warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order low-pass filter fed by the mean of the two newest samples
    (SuperSmoother).

    Slots 0-1 copy the input.

      period : cut-off length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.super_smoother(50 + np.sin(np.arange(300) / 5), period=20)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("super_smoother", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def ultimate_smoother(x: Union[npt.NDArray[Any], Sequence[float]], period: int = 20, *,
                      missing: Missing = "error", sort: bool = False,
                      threads: Optional[int] = None, warmup: Warmup = "keep",
                      axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def ultimate_smoother(x: Labelled, period: int = 20, *, missing: Missing = "error",
                      sort: bool = False, threads: Optional[int] = None,
                      warmup: Warmup = "keep", axis: int = 0,
                      dim: Optional[str] = None) -> Labelled: ...
def ultimate_smoother(x: Any, period: int = 20, *, missing: Missing = "error",
                      sort: bool = False, threads: Optional[int] = None,
                      warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """Second-order low-lag smoother (UltimateSmoother).

    Slots 0-3 copy the input.

      period : smoothing length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.ultimate_smoother(50 + np.sin(np.arange(300) / 5), period=20)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("ultimate_smoother", x, {"period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def band_pass(x: Union[npt.NDArray[Any], Sequence[float]], high_pass_period: int = 48, smooth_period: int = 10, *,
              missing: Missing = "error", sort: bool = False,
              threads: Optional[int] = None, warmup: Warmup = "keep",
              axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def band_pass(x: Labelled, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0,
              dim: Optional[str] = None) -> Labelled: ...
def band_pass(x: Any, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
              sort: bool = False, threads: Optional[int] = None,
              warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """HighPass followed by SuperSmoother (BandPass).

    Slots 0-3 are 0.

      high_pass_period : high-pass length in samples, meaningful range [2, INT32_MAX]
      smooth_period    : smoothing length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.band_pass(50 + np.sin(np.arange(300) / 5), high_pass_period=48, smooth_period=10)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("band_pass", x, {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, sort, threads, warmup, axis, dim)


@overload
def cybernetic_oscillator(x: Union[npt.NDArray[Any], Sequence[float]], high_pass_period: int = 48, smooth_period: int = 10, *,
                          missing: Missing = "error", sort: bool = False,
                          threads: Optional[int] = None, warmup: Warmup = "keep",
                          axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def cybernetic_oscillator(x: Labelled, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
                          sort: bool = False, threads: Optional[int] = None,
                          warmup: Warmup = "keep", axis: int = 0,
                          dim: Optional[str] = None) -> Labelled: ...
def cybernetic_oscillator(x: Any, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
                          sort: bool = False, threads: Optional[int] = None,
                          warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """BandPass divided by its RMS over samples 0..99 (CyberneticOscillator).

    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere.

      high_pass_period : high-pass length in samples, meaningful range [2, INT32_MAX]
      smooth_period    : smoothing length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.cybernetic_oscillator(50 + np.sin(np.arange(300) / 5), high_pass_period=48, smooth_period=10)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("cybernetic_oscillator", x, {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, sort, threads, warmup, axis, dim)


@overload
def laguerre_filter(x: Union[npt.NDArray[Any], Sequence[float]], gamma: float = 0.8, period: int = 20, *,
                    missing: Missing = "error", sort: bool = False,
                    threads: Optional[int] = None, warmup: Warmup = "keep",
                    axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def laguerre_filter(x: Labelled, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                    sort: bool = False, threads: Optional[int] = None,
                    warmup: Warmup = "keep", axis: int = 0,
                    dim: Optional[str] = None) -> Labelled: ...
def laguerre_filter(x: Any, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                    sort: bool = False, threads: Optional[int] = None,
                    warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """UltimateSmoother followed by a five-stage Laguerre cascade
    (LaguerreFilter).

    Slot 0 is never written by the library, so it is NaN.

      gamma  : damping of the Laguerre stages, meaningful range [0, 1]
      period : smoothing length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.laguerre_filter(50 + np.sin(np.arange(300) / 5), gamma=0.8, period=20)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("laguerre_filter", x, {"gamma": gamma, "period": period}, missing, sort, threads, warmup, axis, dim)


@overload
def laguerre_oscillator(x: Union[npt.NDArray[Any], Sequence[float]], gamma: float = 0.8, period: int = 20, *,
                        missing: Missing = "error", sort: bool = False,
                        threads: Optional[int] = None, warmup: Warmup = "keep",
                        axis: int = 0) -> npt.NDArray[np.float32]: ...
@overload
def laguerre_oscillator(x: Labelled, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                        sort: bool = False, threads: Optional[int] = None,
                        warmup: Warmup = "keep", axis: int = 0,
                        dim: Optional[str] = None) -> Labelled: ...
def laguerre_oscillator(x: Any, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                        sort: bool = False, threads: Optional[int] = None,
                        warmup: Warmup = "keep", axis: int = 0, dim: Optional[str] = None) -> Any:
    """UltimateSmoother minus its first Laguerre stage, divided by the RMS of
    that difference over samples 0..99 (LaguerreOscillator).

    All NaN when there are fewer than 100 samples or that RMS is 0. The
    scale comes from the 100 oldest samples given: the same day reads
    differently when the series starts elsewhere.

      gamma  : damping of the Laguerre stage, meaningful range [0, 1]
      period : smoothing length in samples, meaningful range [2, INT32_MAX]

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
    >>> out = tsfilters.laguerre_oscillator(50 + np.sin(np.arange(300) / 5), gamma=0.8, period=20)
    >>> out.dtype, out.shape
    (dtype('float32'), (300,))
    """
    return call("laguerre_oscillator", x, {"gamma": gamma, "period": period}, missing, sort, threads, warmup, axis, dim)
