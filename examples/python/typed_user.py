"""A user's script that calls every public function and class of the
package with type annotations of its own; `mypy --strict` checks it
(python/tests/test_typing.py), so a signature the checker cannot see, or
one that disagrees with how the package is documented to be called, fails.

    python3 examples/python/typed_user.py     (needs the built libraries)
"""

from __future__ import annotations

import numpy as np
import numpy.typing as npt

import tsfilters
from tsfilters import settling

closes: npt.NDArray[np.float32] = (50 + np.cumsum(np.sin(np.arange(400) / 7))).astype(np.float32)
prices: list[float] = [float(v) for v in closes]

filtered: list[npt.NDArray[np.float32]] = [
    tsfilters.high_pass(closes, 48),
    tsfilters.super_smoother(prices, period=10),
    tsfilters.ultimate_smoother(closes, period=20, missing="drop"),
    tsfilters.band_pass(closes, 20, 10, sort=False),
    tsfilters.cybernetic_oscillator(closes, high_pass_period=30, smooth_period=10, threads=1),
    tsfilters.laguerre_filter(closes, gamma=0.8, period=20),
    tsfilters.laguerre_oscillator(closes, 0.5, 30, missing="previous"),
]
function, parameter_names = tsfilters.FILTERS["ultimate_smoother"]
also: npt.NDArray[np.float32] = function(closes, 20)

stream = tsfilters.Stream("super_smoother", period=10)
live: float = stream.update(float(closes[0]))
block: npt.NDArray[np.float32] = stream.update(closes[1:10])
forming: float = stream.peek(51.5)
restored = tsfilters.Stream.from_bytes(stream.to_bytes())
samples: int = restored.samples

table = np.column_stack([closes, closes * 2])
streams = tsfilters.Streams("laguerre_filter", ["a", "b"], gamma=[0.5, 0.8], period=20)
rows = streams.update(table)
grid = tsfilters.sweep(closes, "ultimate_smoother", frame=False, period=range(10, 20))
gain = tsfilters.response("super_smoother", max_period=100, period=10)
lengths: int | None = settling.settling_length("ultimate_smoother", period=20)

library = tsfilters.load()
names: list[str] = sorted(library)
try:
    tsfilters.load("/nonexistent/libtsfilters.so")
except tsfilters.LibraryNotFoundError as error:
    message: str = str(error)
variables: tuple[str, str] = (tsfilters.ENV_VARIABLE, tsfilters.STREAM_ENV_VARIABLE)
version: str = tsfilters.__version__

print(len(filtered), also.shape, live, block.shape, forming, samples, rows.shape,
      grid.shape, type(gain).__name__, lengths, names[0], variables, version)
