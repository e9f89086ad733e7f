"""The filters in Polars expressions: `import tsfilters.polars` registers
the namespace `tsf` on expressions and Series.

    >>> import polars as pl
    >>> import tsfilters.polars
    >>> frame.with_columns(smooth=pl.col("close").tsf.super_smoother(20))
    >>> long.with_columns(pl.col("close").tsf.ultimate_smoother(20)
    ...                   .over("symbol", order_by="date"))

Every method takes the filter's parameters (its defaults when left out) and
`missing=` and `warmup=` as the functions do, and gives the bits of the
function on the same values. In `select` and `with_columns` the whole column
is one series, in its row order; under `.over(by, order_by=time)` each
group is one series, in time order. Without `order_by`, `over` runs each
group in row order, right only when the table is sorted by time already.
A LazyFrame runs the same expressions when it is collected.

For type checkers, which cannot see a namespace registered at run time,
`tsf(expr)` and `tsf(series)` give the same methods with their types.
"""

from __future__ import annotations

import functools
from typing import Any, Dict, Optional, cast, overload

import numpy as np
import numpy.typing as npt
import polars as pl

from . import _calls, _columnar, _gaps
from ._filter_table import FILTER_TABLE, RMS_WINDOW
from ._functions import Missing, Warmup
from ._polars_methods import Methods

__all__ = ["ExprNamespace", "SeriesNamespace", "tsf"]


def _run(name: str, checked: Dict[str, Any], missing: str, blank: int, column: Optional[str],
         series: pl.Series) -> pl.Series:
    """Filter `name` over one batch Polars hands over: the whole column, or
    one group of an `over` (which comes unnamed, hence `column`)."""
    columnar = _columnar.read(series)
    assert columnar is not None  # a polars Series, as map_batches passes
    if FILTER_TABLE[name].rms_scaled:
        _columnar.check_window(columnar, missing, RMS_WINDOW)
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


class ExprNamespace(Methods[pl.Expr]):
    """`expr.tsf`: each method gives a Float32 expression of the filter over
    `expr`'s values, null where the filter gives no value."""

    def __init__(self, expr: pl.Expr) -> None:
        self._expr = expr

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup) -> pl.Expr:
        # Checked when the expression is built, not when it runs: a bad
        # period is reported at the line that wrote it, and once, not once
        # per group. checked_call, _filter, the method, its caller.
        _gaps.check_choice(missing)
        checked, blank = _calls.checked_call(name, parameters, warmup, stacklevel=4)
        column = self._expr.meta.output_name(raise_if_undetermined=False)
        return self._expr.map_batches(
            functools.partial(_run, name, checked, missing, blank, column),
            return_dtype=pl.Float32)


class SeriesNamespace(Methods[pl.Series]):
    """`series.tsf`: each method gives the filter over the Series, a Float32
    Series of the same name."""

    def __init__(self, series: pl.Series) -> None:
        self._series = series

    def _filter(self, name: str, parameters: Dict[str, Any], missing: Missing,
                warmup: Warmup) -> pl.Series:
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
    if isinstance(x, pl.Expr):
        return ExprNamespace(x)
    if isinstance(x, pl.Series):
        return SeriesNamespace(x)
    raise TypeError(f"tsf takes a polars Expr or Series, not {type(x).__name__}")


pl.api.register_expr_namespace("tsf")(ExprNamespace)
pl.api.register_series_namespace("tsf")(SeriesNamespace)
