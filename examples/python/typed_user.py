"""A user's script that calls every public function and class of the
package, with pandas and Polars, and annotates what it gets back; `mypy
--strict` checks it (ctest's python.mypy_strict, and test_typing), so a
signature the checker cannot see, or one that disagrees with how the
package is documented to be called, fails. A pandas check needs
pandas-stubs, as any strictly typed pandas code does.

    python3 examples/python/typed_user.py     (needs the built libraries,
                                               pandas, Polars and Dask)
"""

from __future__ import annotations

from typing import Literal

import dask.dataframe as dd
import numpy as np
import numpy.typing as npt
import pandas as pd
import polars as pl

import tsfilters
import tsfilters.polars
from tsfilters import dask as tsf_dask
from tsfilters import settling
from tsfilters._functions import FilterName, LaguerreFilterParameters
from tsfilters.polars import tsf

closes: npt.NDArray[np.float32] = (50 + np.cumsum(np.sin(np.arange(400) / 7))).astype(np.float32)
prices: list[float] = [float(v) for v in closes]

filtered: list[npt.NDArray[np.float32]] = [
    tsfilters.high_pass(closes, 48),
    tsfilters.super_smoother(prices, period=10),
    tsfilters.ultimate_smoother(closes, missing="drop"),
    tsfilters.band_pass(closes, 20, 10, sort=False),
    tsfilters.cybernetic_oscillator(closes, high_pass_period=30, smooth_period=10, threads=1),
    tsfilters.laguerre_filter(closes, gamma=0.8, period=20, warmup="nan"),
    tsfilters.laguerre_oscillator(closes, 0.5, 30, missing="previous"),
]
function, parameter_names = tsfilters.FILTERS["ultimate_smoother"]
also: npt.NDArray[np.float32] = function(closes, 20)
limit: int | None = tsfilters.precision_limit("super_smoother")

# pandas in, pandas out: a Series stays a Series, a DataFrame a DataFrame.
dates = pd.date_range("2024-01-01", periods=closes.size)
series = pd.Series(closes, index=dates, name="close")
smooth_series: pd.Series[float] = tsfilters.ultimate_smoother(series, period=20)
table = pd.DataFrame({"a": closes, "b": closes * 2}, index=dates)
smooth_table: pd.DataFrame = tsfilters.super_smoother(table, threads=None)

# Polars: Series in, Series out; expressions through the tsf namespace.
column = pl.Series("close", closes)
smooth_column: pl.Series = tsfilters.laguerre_filter(column)
frame = pl.DataFrame({"close": closes})
expression: pl.Expr = tsf(pl.col("close")).super_smoother(20, warmup="nan")
with_smooth: pl.DataFrame = frame.with_columns(expression.alias("smooth"))
direct: pl.Series = tsf(column).band_pass(high_pass_period=30)
# The same through the package's attribute, imported on first use.
by_attribute: pl.Expr = tsfilters.polars.tsf(pl.col("close")).laguerre_filter(0.5, 20)

# Long tables: pandas, Polars and Dask.
long = pd.DataFrame({"symbol": ["X", "Y"] * 200, "date": np.repeat(dates[:200], 2),
                     "close": np.repeat(closes[:200], 2)})
per_row: pd.Series[float] = tsfilters.per_symbol(long, "ultimate_smoother", period=20)
per_row_polars: pl.Series = tsfilters.per_symbol(pl.from_pandas(long), "high_pass")
# Dask leaves from_pandas untyped; its DataFrame is typed.
partitioned: dd.DataFrame = dd.from_pandas(long, npartitions=2)  # type: ignore[no-untyped-call]
lazy: dd.Series = tsfilters.per_symbol(partitioned, "super_smoother")
also_pandas: pd.Series[float] = tsf_dask.apply(long, "laguerre_filter", gamma=0.5)
also_dask: dd.Series = tsf_dask.apply(partitioned, "high_pass")
assigned: pd.DataFrame = tsfilters.dask.assign(long, "smooth", "band_pass", smooth_period=8)

# Streams.
stream = tsfilters.Stream("super_smoother", period=10)
live: float = stream.update(float(closes[0]))
block: npt.NDArray[np.float32] = stream.update(closes[1:10])
labelled: pd.Series[float] = stream.update(series.iloc[10:20])
from_polars: npt.NDArray[np.float32] = stream.update(column[20:30])
forming: float = stream.peek(51.5)
restored = tsfilters.Stream.from_bytes(stream.to_bytes())
samples: int = restored.samples
streams = tsfilters.Streams("laguerre_filter", ["a", "b"], gamma=[0.5, 0.8], period=20)
rows: npt.NDArray[np.float32] = streams.update(np.column_stack([closes, closes * 2]))
one_row: dict[str, float] = tsfilters.Streams("high_pass", ["a"]).update({"a": 50.0})
as_list: list[float] = streams.update([51.0, 102.0])
# A row named by a date every column has seen is skipped under seen="skip":
# None, which the checker makes the caller handle.
dated = tsfilters.Streams("super_smoother", ["a", "b"], seen="skip", period=[10, 20])
bar = pd.Series([50.0, 100.0], index=["a", "b"], name=dates[0])
first_bar: pd.Series[float] | None = dated.update(bar)
again = dated.update(bar)
resent: float = float("nan") if again is None else float(again.iloc[0])
dated.add("c", period=np.int64(30))

# A filter chosen at run time. A variable of FilterName may be any filter,
# so the checker lets it take only what every filter takes (here, none of
# the parameters); a variable of the smoothers with a period takes period=.
def live_outputs(name: FilterName, value: float) -> float:
    return tsfilters.Stream(name, warmup="nan").update(value)

Smoother = Literal["super_smoother", "ultimate_smoother", "laguerre_filter"]
chosen: list[Smoother] = ["super_smoother", "laguerre_filter"]
each_smoothed: list[float] = [tsfilters.Stream(name, period=15).update(50.0) for name in chosen]
each_table: list[pd.Series[float]] = [tsfilters.per_symbol(long, name, period=30)
                                     for name in chosen]
any_filter: list[float] = [live_outputs(name, 50.0) for name in ("high_pass", "band_pass")]
# Parameters kept apart from the call, typed as the filter's.
kept: LaguerreFilterParameters = {"gamma": 0.6, "period": 25}
from_kept = tsfilters.Stream("laguerre_filter", **kept)

# Sweeps and the frequency response.
grid: npt.NDArray[np.float32] = tsfilters.sweep(closes, "ultimate_smoother", frame=False,
                                                period=range(10, 20))
grid_frame: pd.DataFrame = tsfilters.sweep(series, "laguerre_filter", gamma=[0.5, 0.8])
grid_polars: pl.DataFrame = tsfilters.sweep(column, "super_smoother", period=[10, 20])
grid_two: pd.DataFrame = tsfilters.sweep(closes, "band_pass", high_pass_period=np.arange(20, 40),
                                         smooth_period=10)
period, gain, lag = tsfilters.response("super_smoother", max_period=100, period=10)
peak: float = float(gain.max())

# How long each filter takes to settle, and where single precision holds.
length: int | None = settling.settling_length("ultimate_smoother", period=20)
warmup: int | None = settling.warmup_length("laguerre_filter", gamma=0.8, period=20)
level: float = settling.held_level("super_smoother", period=900)
tracking: range | None = settling.tracking_periods("ultimate_smoother", longest=2000)

library = tsfilters.load()
names: list[str] = sorted(library)
try:
    tsfilters.load("/nonexistent/libtsfilters.so")
except tsfilters.LibraryNotFoundError as error:
    message: str = str(error)
variables: tuple[str, str] = (tsfilters.ENV_VARIABLE, tsfilters.STREAM_ENV_VARIABLE)
version: str = tsfilters.__version__
warning: type[Warning] = tsfilters.PrecisionWarning

print(len(filtered), also.shape, limit, smooth_series.size, smooth_table.shape,
      smooth_column.len(), with_smooth.width, direct.len(), per_row.size, per_row_polars.len(),
      int(lazy.size.compute()), also_pandas.size, also_dask.name, live, block.shape, labelled.size, forming,
      samples, rows.shape, one_row, grid.shape, grid_frame.shape, grid_polars.width,
      period.size, peak, length, warmup, level, tracking, names[0], variables, version,
      warning.__name__, by_attribute.meta.output_name(), assigned.shape, as_list,
      first_bar is None, resent, each_smoothed, [t.size for t in each_table], any_filter,
      from_kept.samples, grid_two.shape, from_polars.shape)
