"""The filters in Polars expressions: `import tsfilters.polars` registers
the namespace `tsf` on expressions and Series.

    >>> import polars as pl
    >>> import tsfilters.polars
    >>> frame.with_columns(smooth=pl.col("close").tsf.super_smoother(20))
    >>> long.with_columns(pl.col("close").tsf.ultimate_smoother(20, by="symbol", time="date"))

Every method takes the filter's parameters (its defaults when left out) and
`missing=` and `warmup=` as the functions do, and gives the bits of the
function on the same values. In `select` and `with_columns` the whole column
is one series, in its row order. With `by=` (the symbol column, or a list
of columns) and `time=`, each symbol is one series in time order: the
expression reads those columns too, so it refuses what
tsfilters.per_symbol refuses (a symbol with two rows at one time stamp,
rows with no symbol or time stamp, dates as text, a gap under
missing="error", each named by symbol and time stamp) and runs the whole
column in one call of the library. A LazyFrame runs the same expressions
when it is collected, in either engine.

`.over(by, order_by=time)` also runs each group alone in time order, but
the method then sees one group's values and nothing else: it cannot tell a
re-sent row from a new one, dates as text from dates, or a null symbol or
time stamp from a real one, and names a gap by its position in the group.
Without `order_by`, `over` runs each group in row order, right only when
the table is sorted by time already.

For type checkers, which cannot see a namespace registered at run time,
`tsf(expr)` and `tsf(series)` give the same methods with their types.
"""

from __future__ import annotations

import functools
from typing import Any, Dict, List, Optional, cast, overload

import numpy as np
import numpy.typing as npt
import polars as pl

from . import _calls, _long
from ._frames import columnar as _columnar
from ._frames import columns as _frames_columns
from ._frames import gaps as _gaps
from ._frames import kinds
from ._engine.filter_table import FILTER_TABLE, RMS_WINDOW
from ._options import Missing, Warmup
from ._frames.long_columns import check_keys
from ._frames.polars import read_polars_series
from ._polars_methods import Keys, Methods

__all__ = ["ExprNamespace", "SeriesNamespace", "tsf"]


def _run(name: str, checked: Dict[str, Any], missing: str, blank: int, column: Optional[str],
         series: pl.Series) -> pl.Series:
    """Filter `name` over one batch Polars hands over: the whole column, or
    one group of an `over` (which comes unnamed, hence `column`)."""
    columnar = _columnar.read(series)
    assert columnar is not None  # a polars Series, as map_batches passes
    if FILTER_TABLE[name].rms_scaled:
        _frames_columns.check_window(columnar, missing, RMS_WINDOW)
    if missing == "error":
        _refuse_gap(column, columnar.values)
    result = _calls.run(name, columnar.values, checked, missing, False, 1, blank)
    return cast(pl.Series, columnar.back(result))


def _refuse_gap(column: Optional[str], values: npt.NDArray[np.float32]) -> None:
    """A gap named by its place in what this batch holds: under `over`
    that is one group in its `order_by` order, not a row of the table."""
    gaps = _gaps.gaps(values)
    if gaps.any():
        at = int(np.argmax(gaps))
        raise ValueError(f"{'the column' if column is None else f'column {column!r}'} has {_gaps.what(values[at])} at position {at} of "
                         f"the {values.size} values the filter got (under over(), one group's, "
                         "in order_by order); pass missing='drop', 'previous' or 'keep', "
                         "or fill it")


def _run_long(name: str, checked: Dict[str, Any], missing: str, blank: int,
              names: List[Any], columns: List[pl.Series]) -> pl.Series:
    """Filter `name` over each symbol of a long table that map_batches
    hands over as its columns (value, the keys, time), in one call."""
    value, by, time = names
    table = read_polars_series(columns[0], columns[1:-1], columns[-1], time)
    out = _long.filter_rows(table, name, checked, missing, blank, (value, by, time))
    return pl.Series(columns[0].name, out, dtype=pl.Float32, nan_to_null=True)


def _column_expr(column: Any) -> pl.Expr:
    return pl.col(column) if isinstance(column, str) else column


def _key_list(by: Keys, time: Optional[str]) -> List[Any]:
    if time is None:
        raise TypeError("by= needs time= too: the column that says which row is older")
    if by is None:
        raise TypeError("time= needs by= too: the symbol column (a single series needs "
                        "neither)")
    return list(check_keys(by, time))


class ExprNamespace(Methods[pl.Expr]):
    """`expr.tsf`: each method gives a Float32 expression of the filter over
    `expr`'s values, null where the filter gives no value."""

    def __init__(self, expr: pl.Expr) -> None:
        self._expr = expr

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup, by: Keys = None, time: Optional[str] = None) -> pl.Expr:
        # Checked when the expression is built, not when it runs: a bad
        # period is reported at the line that wrote it, and once, not once
        # per group. checked_call, _filter, the method, its caller.
        _gaps.check_choice(missing)
        checked, blank = _calls.checked_call(name, parameters, warmup, stacklevel=4)
        column = self._expr.meta.output_name(raise_if_undetermined=False)
        if by is None and time is None:
            return self._expr.map_batches(
                functools.partial(_run, name, checked, missing, blank, column),
                return_dtype=pl.Float32)
        keys = _key_list(by, time)
        names = [column or "the column", by, time]
        return pl.map_batches([self._expr, *map(_column_expr, keys), _column_expr(time)],
                              functools.partial(_run_long, name, checked, missing, blank,
                                                names),
                              return_dtype=pl.Float32)


class SeriesNamespace(Methods[pl.Series]):
    """`series.tsf`: each method gives the filter over the Series, a Float32
    Series of the same name."""

    def __init__(self, series: pl.Series) -> None:
        self._series = series

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup, by: Keys = None, time: Optional[str] = None) -> pl.Series:
        if by is not None or time is not None:
            raise TypeError("a Series has no symbol or time column: use by= and time= in "
                            "an expression, pl.col(...).tsf...., or tsfilters.per_symbol")
        _gaps.check_choice(missing)
        checked, blank = _calls.checked_call(name, parameters, warmup, stacklevel=4)
        return _run(name, checked, missing, blank, self._series.name, self._series)


@overload
def tsf(x: pl.Expr) -> ExprNamespace: ...
@overload
def tsf(x: pl.Series) -> SeriesNamespace: ...
def tsf(x: Any) -> Any:
    """`x.tsf` with the types a checker can see: `tsf(pl.col("close"))
    .super_smoother(20)` is `pl.col("close").tsf.super_smoother(20)`.

    >>> import polars as pl
    >>> from tsfilters.polars import tsf
    >>> frame = pl.DataFrame({"close": [50.0, 51.0, 52.0]})
    >>> frame.select(tsf(pl.col("close")).super_smoother(10))["close"].to_list()
    [50.0, 51.0, 51.5...]
    """
    if kinds.is_a(x, "polars", "Expr"):
        return ExprNamespace(x)
    if kinds.is_a(x, "polars", "Series"):
        return SeriesNamespace(x)
    raise TypeError(f"tsf takes a polars Expr or Series, not {type(x).__name__}")


pl.api.register_expr_namespace("tsf")(ExprNamespace)
pl.api.register_series_namespace("tsf")(SeriesNamespace)
