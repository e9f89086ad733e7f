"""Time order of a series that carries time stamps.

The filters run from the oldest sample to the newest; a series given newest
first would otherwise be filtered backwards in time, with warm-up values on
the newest rows and every value computed from the future. So the order is
checked, never assumed: strictly rising stamps run as they are, strictly
falling ones run reversed, and anything else is an error unless the caller
asks for sorting. Repeated stamps are always an error: no order of two
prices on the same instant is right.
"""

import numpy as np


class OrderError(ValueError):
    """The stamps are not in time order. `first` and `second` are the
    positions (in the order given) of the first offending pair; `repeated`
    says whether they carry the same stamp."""

    def __init__(self, first, second, repeated):
        super().__init__(f"positions {first} and {second} are "
                         + ("the same instant" if repeated else "out of time order"))
        self.first, self.second, self.repeated = first, second, repeated


def plan(stamps, sort=False):
    """Returns (permutation or None, how): the positions to run, oldest
    first, and how the stamps ran ("rising", "falling" or "sorted").

    `stamps` is any array of comparable time stamps (int64 or datetime64)."""
    stamps = np.asarray(stamps)
    if stamps.size < 2:
        return None, "rising"
    ahead, behind = stamps[1:], stamps[:-1]
    if (ahead > behind).all():
        return None, "rising"
    if (ahead < behind).all():
        return np.arange(stamps.size - 1, -1, -1), "falling"
    if sort:
        permutation = np.argsort(stamps, kind="stable")
        ordered = stamps[permutation]
        same = np.flatnonzero(ordered[1:] == ordered[:-1])
        if same.size:
            i = int(same[0])
            a, b = sorted((int(permutation[i]), int(permutation[i + 1])))
            raise OrderError(a, b, True)
        return permutation, "sorted"
    # Name the first step against the direction the series starts in, so a
    # newest-first file with one bad row points at that row.
    rising = stamps[1] >= stamps[0]
    wrong = (ahead <= behind) if rising else (ahead >= behind)
    i = int(np.argmax(wrong))
    raise OrderError(i, i + 1, bool(stamps[i] == stamps[i + 1]))
