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

    def high_pass(self, period: int = 20, *, missing: Missing = "error",
                  warmup: Warmup = "keep", by: Keys = None,
                  time: Optional[str] = None) -> Out:
        """Second-order high-pass filter of the series' second difference
        (HighPass)."""
        return self._filter("high_pass", {"period": period}, missing, warmup, by, time)

    def super_smoother(self, period: int = 20, *, missing: Missing = "error",
                       warmup: Warmup = "keep", by: Keys = None,
                       time: Optional[str] = None) -> Out:
        """Second-order low-pass filter fed by the mean of the two newest samples
        (SuperSmoother)."""
        return self._filter("super_smoother", {"period": period}, missing, warmup, by, time)

    def ultimate_smoother(self, period: int = 20, *, missing: Missing = "error",
                          warmup: Warmup = "keep", by: Keys = None,
                          time: Optional[str] = None) -> Out:
        """Second-order low-lag smoother (UltimateSmoother)."""
        return self._filter("ultimate_smoother", {"period": period}, missing, warmup, by, time)

    def band_pass(self, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
                  warmup: Warmup = "keep", by: Keys = None,
                  time: Optional[str] = None) -> Out:
        """HighPass followed by SuperSmoother (BandPass)."""
        return self._filter("band_pass", {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, warmup, by, time)

    def cybernetic_oscillator(self, high_pass_period: int = 48, smooth_period: int = 10, *, missing: Missing = "error",
                              warmup: Warmup = "keep", by: Keys = None,
                              time: Optional[str] = None) -> Out:
        """BandPass divided by its RMS over samples 0..99 (CyberneticOscillator)."""
        return self._filter("cybernetic_oscillator", {"high_pass_period": high_pass_period, "smooth_period": smooth_period}, missing, warmup, by, time)

    def laguerre_filter(self, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                        warmup: Warmup = "keep", by: Keys = None,
                        time: Optional[str] = None) -> Out:
        """UltimateSmoother followed by a five-stage Laguerre cascade
        (LaguerreFilter)."""
        return self._filter("laguerre_filter", {"gamma": gamma, "period": period}, missing, warmup, by, time)

    def laguerre_oscillator(self, gamma: float = 0.8, period: int = 20, *, missing: Missing = "error",
                            warmup: Warmup = "keep", by: Keys = None,
                            time: Optional[str] = None) -> Out:
        """UltimateSmoother minus its first Laguerre stage, divided by the RMS of
        that difference over samples 0..99 (LaguerreOscillator)."""
        return self._filter("laguerre_oscillator", {"gamma": gamma, "period": period}, missing, warmup, by, time)
