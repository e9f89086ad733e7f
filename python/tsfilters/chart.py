"""Drawing a price series with its filters: smoothers over the price, the
oscillators in panels below, dates along the shared x axis.

Uses matplotlib's Figure and Agg canvas directly, never pyplot, so no display
or GUI backend is ever involved.
"""

import numpy as np
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.dates import AutoDateLocator, ConciseDateFormatter
from matplotlib.figure import Figure

# Which panel each filter goes in. High-pass and band-pass are in price units
# around zero; the two oscillators are divided by an RMS and share a scale.
PANELS = {
    "ultimate_smoother": "price",
    "super_smoother": "price",
    "laguerre_filter": "price",
    "high_pass": "cycles",
    "band_pass": "cycles",
    "cybernetic_oscillator": "oscillators",
    "laguerre_oscillator": "oscillators",
}
_PANEL_TITLES = {
    "cycles": "cycle filters (price units)",
    "oscillators": "oscillators (RMS units)",
}


def draw(path, x, price, price_label, lines, title):
    """Writes the chart to `path` (format from its extension).

    x      : dates (datetime64) or sample numbers
    price  : the filtered series
    lines  : [(filter name, label, values)] in the order asked for
    """
    panels = ["price"] + [p for p in ("cycles", "oscillators")
                          if any(PANELS[name] == p for name, _, _ in lines)]
    ratios = [3] + [1.4] * (len(panels) - 1)
    fig = Figure(figsize=(11, 3.6 + 2.0 * (len(panels) - 1)), dpi=90, layout="constrained")
    FigureCanvasAgg(fig)
    axes = fig.subplots(len(panels), 1, sharex=True, height_ratios=ratios)
    axes = np.atleast_1d(axes)
    by_panel = dict(zip(panels, axes))

    price_axis = by_panel["price"]
    price_axis.plot(x, price, color="0.55", linewidth=1.0, label=price_label)
    price_axis.set_ylabel(price_label)
    price_axis.set_title(title, fontsize=11)
    for panel, axis in by_panel.items():
        if panel != "price":
            axis.axhline(0.0, color="0.6", linewidth=0.8)
            axis.set_title(_PANEL_TITLES[panel], fontsize=9, loc="left")
    for name, label, values in lines:
        by_panel[PANELS[name]].plot(x, values, linewidth=1.3, label=label)
    for axis in axes:
        axis.grid(True, color="0.9", linewidth=0.6)
        axis.legend(loc="upper left", fontsize=8, framealpha=0.85)
        axis.margins(x=0.01)

    if np.issubdtype(np.asarray(x).dtype, np.datetime64):
        locator = AutoDateLocator()
        axes[-1].xaxis.set_major_locator(locator)
        axes[-1].xaxis.set_major_formatter(ConciseDateFormatter(locator))
    else:
        axes[-1].set_xlabel("sample")
    fig.savefig(path, format=_format(path))


def _format(path):
    # The temporary file keeps the target's extension; default to PNG.
    suffix = str(path).rsplit(".", 1)[-1].lower() if "." in str(path) else ""
    return suffix if suffix in ("png", "svg", "pdf", "jpg", "jpeg") else "png"
