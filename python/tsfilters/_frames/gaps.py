"""Missing values, and what to do about them before a call.

The filters feed back on their own outputs, so one NaN sample makes its slot
and every later one NaN: a gap cannot simply be passed through. An infinity
does the same (inf - inf is NaN), and so does a float64 value beyond
float32's range, which the conversion turns into one; all three are gaps
here. The caller chooses:

  error     refuse the series, naming the first gap (the default);
  drop      run the filter on the series without the gaps and leave NaN in
            their slots;
  previous  carry the last value forward over each gap (slots before the
            first value, with nothing to carry, are dropped);
  keep      pass NaN to the library as it is (Python only).
"""

from typing import Any, Optional

import numpy as np
import numpy.typing as npt

# The texts that mean "no value" in price files from the usual sources, in
# any case ("n/a" as well as "N/A").
MARKERS = ("", "NA", "N/A", "#N/A", "NaN", "nan", "null", "NULL", ".", "-")
FOLDED_MARKERS = frozenset(marker.casefold() for marker in MARKERS)


def is_marker(text):
    return text.strip().casefold() in FOLDED_MARKERS

CHOICES = ("error", "drop", "previous")
PYTHON_CHOICES = CHOICES + ("keep",)


def check_choice(missing: object) -> None:
    if missing not in PYTHON_CHOICES:
        raise ValueError(f"missing must be one of {', '.join(PYTHON_CHOICES)}, not {missing!r}")


def gaps(values: npt.NDArray[Any]) -> npt.NDArray[np.bool_]:
    """True where a float32 sample is NaN or infinite."""
    return ~np.isfinite(values)


# The square of float32's largest value, exact as a double.
_FLOAT32_MAX_SQUARED = float(np.finfo(np.float32).max) ** 2


def finite_float32(values: npt.NDArray[Any]) -> Optional[npt.NDArray[np.float32]]:
    """A float32 copy of the real `values` when none is a gap and none is
    beyond float32's range, else None (look closer). One sum of squares
    decides it: a NaN or infinity makes it NaN or infinite, and a value
    beyond the range makes it larger than the range squared, since every
    square is at most the sum. A sum that overflows (float32 beyond
    1.8e19) only sends the values the long way."""
    with np.errstate(over="ignore"):
        total = float(np.dot(values, values))
    if not total <= _FLOAT32_MAX_SQUARED:
        return None
    return values.astype(np.float32)


def what(value: Any) -> str:
    """How an error names the gap `value`: "a missing value (NaN)", or an
    infinite one, which a caller may not know its data holds."""
    if np.isnan(value):
        return "a missing value (NaN)"
    return ("an infinite value (inf, or a number beyond float32's range of "
            "about 3.4e38)")


class MissingValueError(ValueError):
    """A gap in a series with missing="error"; `position` is its place in
    the series as given, `value` what stands there."""

    def __init__(self, position, value=np.nan):
        super().__init__(f"{what(value)} at position {position}")
        self.position, self.value = position, value


class Prepared:
    """A series in time order with its gaps dealt with, ready for the
    library, and the way back to the caller's order and length."""

    def __init__(self, values, permutation=None, missing="error"):
        check_choice(missing)
        self.size = values.shape[0]
        self.permutation = permutation
        ordered = values if permutation is None else values[permutation]
        self.kept = None
        if missing != "keep":
            where = gaps(ordered)
            if where.any():
                ordered, self.kept = self._close(ordered, where, missing)
        self.values = np.ascontiguousarray(ordered, dtype=np.float32)

    def _close(self, ordered, gaps, missing):
        if missing == "error":
            first = int(np.argmax(gaps))
            raise MissingValueError(first if self.permutation is None else int(self.permutation[first]),
                                    ordered[first])
        if missing == "previous":
            last = np.maximum.accumulate(np.where(gaps, 0, np.arange(gaps.size)))
            ordered = ordered[last]
            gaps = ~np.isfinite(ordered)  # only the slots before the first value remain
            if not gaps.any():
                return ordered, None
        kept = ~gaps
        return ordered[kept], kept

    def restore(self, output):
        """The library's output for `values` (or one column of outputs per
        run over them), back in the caller's order and length, NaN in
        dropped slots."""
        if self.kept is not None:
            full = np.full(self.kept.shape + output.shape[1:], np.nan, dtype=np.float32)
            full[self.kept] = output
            output = full
        if self.permutation is not None:
            back = np.empty_like(output)
            back[self.permutation] = output
            output = back
        return output
