"""The warning for a period beyond a filter's precision limit (the limits
are explained in tsfilters.precision, the public face of this module).
"""

import warnings
from typing import Any, Dict, Optional, Sequence

from .filter_table import FILTER_TABLE


class PrecisionWarning(UserWarning):
    """A period beyond the filter's precision limit: its output may freeze
    off the price (see tsfilters.precision_limit)."""


# Its public home, where callers import and filter it from.
PrecisionWarning.__module__ = "tsfilters.precision"


def message(name: str, period: int) -> str:
    limit = FILTER_TABLE[name].precision_limit
    return (f"{name} at period {period} is beyond its precision limit of {limit}: in single "
            f"precision its output can freeze off the price (a step held for 10 periods "
            f"ends more than 0.1% away); see tsfilters.precision_limit")


def beyond(name: str, parameter_sets: Sequence[Dict[str, Any]]) -> Optional[int]:
    """The longest period among `parameter_sets` beyond the limit, or None."""
    limit = FILTER_TABLE[name].precision_limit
    if limit is None:
        return None
    periods = [p["period"] for p in parameter_sets if "period" in p and p["period"] > limit]
    return max(periods) if periods else None


def warn(name: str, parameter_sets: Sequence[Dict[str, Any]], stacklevel: int) -> None:
    """One PrecisionWarning when any of `parameter_sets` has a period beyond
    the limit, pointing `stacklevel` frames above the caller of this."""
    period = beyond(name, parameter_sets)
    if period is not None:
        warnings.warn(message(name, period), PrecisionWarning, stacklevel=stacklevel + 1)
