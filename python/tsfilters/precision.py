"""Periods too long for single precision.

The filters round each output to float32 before it feeds back, as the C
library does. At a long period a smoother's correction per sample is
smaller than half a float32 step near the price, so it rounds away and the
output freezes off the price for good: a step from 50 to 70 held for 10
periods ends 0.14% off at period 1000, 3.4% at 5000. The bits are the
library's; what this module adds is the warning at the call.

A filter's precision limit is the longest period at which that step (50
through the warm-up, then 70 for 10 periods and at least 1,000 samples)
ends within 0.1% of 70, and every shorter period does too. The error is
relative to the price level, so the limit holds at any level. It is
measured by the repository's tools/precision_limits and kept in the
filter table. The filters that remove the level (high-pass, band-pass and
the oscillators) have none.
"""

from __future__ import annotations

from typing import TYPE_CHECKING, Optional

from ._engine.filter_table import FILTER_TABLE
from ._engine.precision_limits import PrecisionWarning as PrecisionWarning
from ._engine.precision_limits import beyond, message, warn  # noqa: F401 (for callers)

if TYPE_CHECKING:
    from ._functions import FilterName


def precision_limit(name: FilterName) -> Optional[int]:
    """The longest period at which filter `name` follows a price in single
    precision (within 0.1% after a step held 10 periods), or None for a
    filter that has no such limit.

    >>> import tsfilters
    >>> tsfilters.precision_limit("super_smoother"), tsfilters.precision_limit("high_pass")
    (857, None)
    """
    try:
        limit: Optional[int] = FILTER_TABLE[name].precision_limit
    except KeyError:
        raise ValueError(f"unknown filter {name!r}; the filters are "
                         f"{', '.join(FILTER_TABLE)}") from None
    return limit
