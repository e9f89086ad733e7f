"""Drawing filters' gain and lag against the cycle period, the period on a
log axis: one panel for the gain (how much of a cycle comes through), one
for the lag in samples (how late it comes out).

Uses matplotlib's Figure and Agg canvas directly, as the price chart does.
"""

import numpy as np
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
from matplotlib.ticker import FixedLocator, FuncFormatter, NullLocator


def draw(path, curves, title):
    """`curves` is [(label, Response)]."""
    figure = Figure(figsize=(10, 7.5), dpi=90)
    FigureCanvasAgg(figure)
    gain, lag = figure.subplots(2, 1, sharex=True)
    for label, (period, g, delay) in curves:
        line, = gain.plot(period, g, label=label, linewidth=1.3)
        lag.plot(period, delay, color=line.get_color(), linewidth=1.3)
    gain.set_ylabel("gain (oscillators: relative to their peak)")
    gain.axhline(1.0, color="0.6", linewidth=0.8, linestyle=":")
    gain.set_title(title)
    lag.set_ylabel("lag (samples; below 0: leads)")
    lag.axhline(0.0, color="0.6", linewidth=0.8, linestyle=":")
    lag.set_xlabel("cycle period (samples)")
    lag.set_xscale("log")
    lag.xaxis.set_major_locator(FixedLocator([2, 3, 5, 10, 20, 30, 50, 100, 200, 500, 1000]))
    lag.xaxis.set_minor_locator(NullLocator())
    lag.xaxis.set_major_formatter(FuncFormatter(lambda v, _: f"{v:g}"))
    for axes in (gain, lag):
        axes.grid(True, which="both", color="0.9", linewidth=0.6)
    # The lag of a filter that removes long cycles grows without bound
    # there; the useful range is what the smoothers and oscillators span.
    finite = [d[(p >= 4) & (p <= 100)] for _, (p, _g, d) in curves]
    top = max([np.nanmax(d) for d in finite if np.isfinite(d).any()] + [1.0])
    lag.set_ylim(-0.5 * top, 1.15 * top)
    gain.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=8, frameon=False)
    figure.tight_layout()
    figure.savefig(path)
