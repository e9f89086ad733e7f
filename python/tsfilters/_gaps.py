"""Missing values, and what to do about them before a call.

The filters feed back on their own outputs, so one NaN sample makes its slot
and every later one NaN: a gap cannot simply be passed through. The caller
chooses:

  error     refuse the series, naming the first gap (the default);
  drop      run the filter on the series without the gaps and leave NaN in
            their slots;
  previous  carry the last value forward over each gap (slots before the
            first value, with nothing to carry, are dropped);
  keep      pass NaN to the library as it is (Python only).
"""

import numpy as np

# The texts that mean "no value" in price files from the usual sources.
MARKERS = ("", "NA", "N/A", "#N/A", "NaN", "nan", "null", "NULL", ".", "-")

CHOICES = ("error", "drop", "previous")
PYTHON_CHOICES = CHOICES + ("keep",)


def check_choice(missing):
    if missing not in PYTHON_CHOICES:
        raise ValueError(f"missing must be one of {', '.join(PYTHON_CHOICES)}, not {missing!r}")


class MissingValueError(ValueError):
    """A gap in a series with missing="error"; `position` is its place in
    the series as given."""

    def __init__(self, position):
        super().__init__(f"missing value at position {position}")
        self.position = position


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
            gaps = np.isnan(ordered)
            if gaps.any():
                ordered, self.kept = self._close(ordered, gaps, missing)
        self.values = np.ascontiguousarray(ordered, dtype=np.float32)

    def _close(self, ordered, gaps, missing):
        if missing == "error":
            first = int(np.argmax(gaps))
            raise MissingValueError(first if self.permutation is None else int(self.permutation[first]))
        if missing == "previous":
            last = np.maximum.accumulate(np.where(gaps, 0, np.arange(gaps.size)))
            ordered = ordered[last]
            gaps = np.isnan(ordered)  # only the slots before the first value remain
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
