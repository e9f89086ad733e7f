"""The heart of filtering a long table: every symbol's rows gathered and run
through the filter in time order, and each output put back on its row.

A long table (one row per symbol and time stamp) comes in any row order,
so nothing here assumes one: the rows are sorted by symbol and then time,
each run of one symbol is one series, all of them are filtered in one call
(the engine's segments call), and the outputs are scattered back to the rows they came
from. A symbol with two rows at one time stamp has no series (no order of
the two is right: a re-sent row, or a local clock that went back an hour),
and a row without a symbol or a time stamp belongs to none: all three are
errors, never a guess, and so is a gap under missing="error".

Every frame library (pandas, Polars, Arrow, Dask, the Polars expression)
only turns its columns into plain arrays, a `Long`, which `long_table`
checks and sorts the same way for all of them; this module filters the
sorted rows, so that they all come out to the same bits.
"""

from typing import Any, Dict, Tuple

import numpy as np

from ._engine import segments as _segments
from ._frames.long_table import plan


# ---- the filter ------------------------------------------------------------------

def filter_rows(table: Any, name: str, checked: Dict[str, Any], missing: str, blank: int,
                names: Tuple[Any, Any, Any]) -> Any:
    """The output of filter `name` for every row of `table`, in its row
    order, float32 with NaN where the filter gives nothing. `checked` and
    `blank` come from `_calls.checked_with_defaults`; `names` are the (value, by,
    time) column names for messages."""
    if table.keys.size == 0:
        return np.full(0, np.nan, dtype=np.float32)
    ready = plan(table, names, missing)
    out = filter_sorted(name, checked, missing, blank, ready.values, ready.starts)
    if ready.order is None:
        return out
    back = np.empty_like(out)
    back[ready.order] = out
    return back


def filter_sorted(name, checked, missing, blank, values, starts):
    """Filter `name` over each segment of the sorted float32 `values`,
    with `missing` (gaps under "error" already refused) and the first
    `blank` values each segment feeds made NaN."""
    kept = None
    if missing in ("drop", "previous"):
        gaps = ~np.isfinite(values)
        if gaps.any():
            values, kept = _close_gaps(values, gaps, starts, missing)
    fed, fed_starts = (values, starts) if kept is None else \
        (values[kept], np.r_[0, np.cumsum(kept)][starts])
    out = _segments.run(name, checked, fed, fed_starts)
    if blank:
        _blank_starts(out, fed_starts, blank)
    if kept is None:
        return out
    full = np.full(kept.size, np.nan, dtype=np.float32)
    full[kept] = out
    return full


def _close_gaps(values, gaps, starts, missing):
    """(values, kept rows) with the gaps dropped, or carried over from the
    value before them in the same segment ("previous"; a segment's leading
    gaps, with nothing before them, are dropped)."""
    if missing == "drop":
        return values, ~gaps
    positions = np.arange(values.size)
    last = np.maximum.accumulate(np.where(gaps, -1, positions))
    segment_start = np.repeat(starts, np.diff(np.r_[starts, values.size]))
    kept = last >= segment_start
    return values[np.where(kept, last, positions)], kept


def _blank_starts(out, starts, blank):
    """NaN in the first `blank` slots of every segment."""
    lengths = np.diff(np.r_[starts, out.size])
    for k in range(min(blank, int(lengths.max(initial=0)))):
        out[starts[lengths > k] + k] = np.nan
