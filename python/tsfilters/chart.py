"""Drawing a price series with its filters: smoothers over the price, the
oscillators in panels below, dates along the shared x axis.

Uses matplotlib's Figure and Agg canvas directly, never pyplot, so no display
or GUI backend is ever involved. What is not reliable is shown as such: each
filter's settling stretch is drawn faintly over a shaded background, a panel
that cannot be drawn says why, and legends sit outside the plotting area so
they never cover the first samples.
"""

import numpy as np
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.dates import AutoDateLocator, ConciseDateFormatter
from matplotlib.figure import Figure

from ._engine.filter_table import FILTER_TABLE

_PANEL_TITLES = {
    "price": None,
    "cycles": "cycle filters (price units)",
    "oscillators": "oscillators (RMS units)",
}
_WIDTH_INCHES, _DPI = 11, 90
# More points than pixel columns draw nothing more: long series are thinned
# to each bucket's lowest and highest value, which keeps the envelope.
_BUCKETS = _WIDTH_INCHES * _DPI


def panel(name):
    """Smoothers share the price's panel; high-pass and band-pass are in
    price units around zero; the oscillators are in RMS units."""
    if FILTER_TABLE[name].rms_scaled:
        return "oscillators"
    return "cycles" if name in ("high_pass", "band_pass") else "price"


def thin(x, y, buckets=_BUCKETS):
    """(x, y) reduced to the first, lowest, highest and last point of each of
    `buckets` runs, in order; short series are returned unchanged."""
    count = len(y)
    if count <= 4 * buckets:
        return x, y
    size = -(-count // buckets)
    padded = np.full(size * buckets, np.nan)
    padded[:count] = y
    blocks = padded.reshape(buckets, size)
    starts = np.arange(buckets) * size
    low = np.argmin(np.where(np.isnan(blocks), np.inf, blocks), axis=1) + starts
    high = np.argmax(np.where(np.isnan(blocks), -np.inf, blocks), axis=1) + starts
    keep = np.unique(np.concatenate([starts, low, high, [count - 1]]))
    keep = keep[keep < count]
    return x[keep], y[keep]


def _draw_line(axis, x, values, reliable, label):
    """The settling stretch (before `reliable`) faint, the rest solid."""
    solid_x, solid_y = thin(x[reliable:], values[reliable:])
    (line,) = axis.plot(solid_x, solid_y, linewidth=1.3, label=label)
    if reliable > 0:
        end = min(reliable + 1, len(values))
        faint_x, faint_y = thin(x[:end], values[:end])
        axis.plot(faint_x, faint_y, linewidth=1.0, alpha=0.35, color=line.get_color())


def draw(path, x, price, price_label, lines, title):
    """Writes the chart to `path` (format from its extension); arguments as
    for `figure`."""
    figure(x, price, price_label, lines, title).savefig(path, format=_format(path))


def figure(x, price, price_label, lines, title):
    """The chart as a matplotlib Figure.

    x      : dates (datetime64) or sample numbers
    price  : the filtered series
    lines  : [(filter name, label, values, first reliable index, why not
             drawn or None)] in the order asked for
    """
    x = np.asarray(x)
    panels = ["price"] + [p for p in ("cycles", "oscillators")
                          if any(panel(line[0]) == p for line in lines)]
    ratios = [3] + [1.4] * (len(panels) - 1)
    fig = Figure(figsize=(_WIDTH_INCHES, 3.6 + 2.0 * (len(panels) - 1)), dpi=_DPI,
                 layout="constrained")
    FigureCanvasAgg(fig)
    axes = np.atleast_1d(fig.subplots(len(panels), 1, sharex=True, height_ratios=ratios))
    by_panel = dict(zip(panels, axes))

    price_axis = by_panel["price"]
    price_axis.plot(*thin(x, price), color="0.55", linewidth=1.0, label=price_label)
    price_axis.set_ylabel(price_label)
    price_axis.set_title(title, fontsize=11)
    for name, axis in by_panel.items():
        if _PANEL_TITLES[name]:
            axis.axhline(0.0, color="0.6", linewidth=0.8)
            axis.set_title(_PANEL_TITLES[name], fontsize=9, loc="left")

    unsettled = {name: 0 for name in panels}
    missing = {name: [] for name in panels}
    for name, label, values, reliable, why in lines:
        where = panel(name)
        if why is not None:
            missing[where].append(why)
            continue
        _draw_line(by_panel[where], x, values, reliable, label)
        unsettled[where] = max(unsettled[where], min(reliable, len(x) - 1))

    for name, axis in by_panel.items():
        if len(x) and unsettled[name] > 0:
            axis.axvspan(x[0], x[unsettled[name]], color="0.5", alpha=0.08, linewidth=0,
                         label="settling")
        if missing[name]:
            axis.text(0.5, 0.5, "\n".join(f"not drawn: {why}" for why in missing[name]),
                      transform=axis.transAxes, ha="center", va="center", fontsize=9,
                      color="0.3")
        axis.grid(True, color="0.9", linewidth=0.6)
        if axis.get_legend_handles_labels()[0]:
            axis.legend(loc="upper left", bbox_to_anchor=(1.005, 1.0), fontsize=8,
                        frameon=False, borderaxespad=0.0)
        axis.margins(x=0.01)

    if np.issubdtype(x.dtype, np.datetime64):
        locator = AutoDateLocator()
        axes[-1].xaxis.set_major_locator(locator)
        axes[-1].xaxis.set_major_formatter(ConciseDateFormatter(locator))
    else:
        axes[-1].set_xlabel("sample")
    return fig


def _format(path):
    # The temporary file keeps the target's extension, which the command
    # line has already checked.
    return str(path).rsplit(".", 1)[-1].lower()
