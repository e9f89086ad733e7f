"""The `tsfilters` command: `apply` adds filter columns to a CSV file,
`plot` draws a chart of a series and its filters.

Exit status: 0 on success, 1 for a problem with the data or files, 2 for a
wrong command line. Errors go to stderr as one line, without a traceback.
"""

import argparse
import os
import sys

import numpy as np

from . import _library, csvio
from ._arrays import check_int32, check_real
from .filters import FILTERS

DEFAULTS = {"period": 20, "gamma": 0.8, "high_pass_period": 48, "smooth_period": 10}

FILTER_HELP = """\
filters and their parameters:
  ultimate_smoother, super_smoother, high_pass   period
  band_pass, cybernetic_oscillator               high_pass_period, smooth_period
  laguerre_filter, laguerre_oscillator           gamma, period
A filter may carry its own parameters, e.g. ultimate_smoother:period=10 or
band_pass:high_pass_period=40,smooth_period=8; otherwise --period, --gamma,
--high-pass-period and --smooth-period apply (defaults 20, 0.8, 48, 10).
Cells the library leaves unwritten are NaN (an empty cell in CSV output)."""


class UsageError(Exception):
    """A wrong command line: exit status 2."""


def _parse_parameter(key, text):
    try:
        if key == "gamma":
            return check_real(key, float(text))
        return check_int32(key, int(text))
    except (TypeError, ValueError) as exc:
        raise UsageError(f"bad value {text!r} for {key}: {exc}") from None


def _resolve(request, args):
    """'name' or 'name:key=value,...' -> (name, {parameter: value})."""
    name, _, inline = request.partition(":")
    name = name.strip()
    if name not in FILTERS:
        raise UsageError(f"unknown filter {name!r}; choose from {', '.join(FILTERS)}")
    _, parameters = FILTERS[name]
    values = {key: getattr(args, key) for key in parameters}
    for item in filter(None, (part.strip() for part in inline.split(","))):
        key, eq, text = item.partition("=")
        key = key.strip().replace("-", "_")
        if not eq or key not in parameters:
            raise UsageError(f"filter {name} takes {', '.join(parameters)}, not {item!r}")
        values[key] = _parse_parameter(key, text.strip())
    return name, values


def _column_name(name, values):
    return "_".join([name] + [f"{values[key]:g}" for key in FILTERS[name][1]])


def _run_filters(requests, args, series, existing):
    """[(filter name, column name, float32 values)] for each requested filter."""
    results = []
    taken = set(existing)
    for request in requests:
        name, values = _resolve(request, args)
        column = _column_name(name, values)
        if column in taken:
            raise UsageError(f"column {column!r} would appear twice; drop the repeated filter")
        taken.add(column)
        function = FILTERS[name][0]
        results.append((name, column, function(series, **values)))
    return results


def _load_series(args):
    table = csvio.read_table(args.input)
    date = csvio.date_column(table, getattr(args, "date_column", None))
    column = csvio.value_column(table, args.column, exclude=(date,))
    return table, date, column, csvio.numbers(table, column)


def command_apply(args):
    table, _, _, series = _load_series(args)
    results = _run_filters(args.filter or ["ultimate_smoother"], args, series, table.header)
    header = table.header + [column for _, column, _ in results]
    formatted = [[csvio.format_float32(v) for v in values] for _, _, values in results]
    rows = (row + [column[i] for column in formatted] for i, row in enumerate(table.rows))

    if args.output in (None, "-"):
        csvio.write_csv(sys.stdout, header, rows)
        return

    def write(path):
        with open(path, "w", newline="", encoding="utf-8") as f:
            csvio.write_csv(f, header, rows)

    csvio.write_atomically(args.output, write)


def command_plot(args):
    from . import chart  # matplotlib is only needed here

    table, date, column, series = _load_series(args)
    results = _run_filters(args.filters or list(FILTERS), args, series, table.header)
    x = csvio.dates(table, date) if date is not None else np.arange(len(series))
    shown = slice(None)
    if args.last is not None:
        if args.last < 1:
            raise UsageError("--last must be at least 1")
        shown = slice(max(0, len(series) - args.last), None)
    name = os.path.basename(args.input)
    title = args.title or (
        f"{name}: {column}, last {min(args.last, len(series))} of {len(series)} samples"
        if args.last is not None else f"{name}: {column}, {len(series)} samples")
    lines = [(n, label, values[shown]) for n, label, values in results]
    csvio.write_atomically(
        args.output,
        lambda path: chart.draw(path, x[shown], series[shown], column, lines, title))
    print(f"wrote {args.output}")


def _add_common(parser):
    parser.add_argument("input", metavar="IN.csv", help="CSV file with a header row")
    parser.add_argument("--column", help="column to filter (default: close, else the last numeric column)")
    parser.add_argument("--period", type=int, default=DEFAULTS["period"], help="default %(default)s")
    parser.add_argument("--gamma", type=float, default=DEFAULTS["gamma"], help="default %(default)s")
    parser.add_argument("--high-pass-period", type=int, default=DEFAULTS["high_pass_period"],
                        help="default %(default)s")
    parser.add_argument("--smooth-period", type=int, default=DEFAULTS["smooth_period"],
                        help="default %(default)s")


def build_parser():
    parser = argparse.ArgumentParser(
        prog="tsfilters",
        description="Run the tsfilters library's filters over a column of a CSV file.",
        epilog=f"The library is found through ${_library.ENV_VARIABLE}, the build tree or "
               "the system loader.")
    commands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)
    formatter = argparse.RawDescriptionHelpFormatter

    apply = commands.add_parser(
        "apply", help="add one column per filter to a CSV file", formatter_class=formatter,
        description="Write the input columns unchanged plus one column per filter.",
        epilog=FILTER_HELP + "\n\nexample:\n  tsfilters apply prices.csv --filter laguerre_filter "
               "--gamma 0.8 --period 20 -o out.csv")
    _add_common(apply)
    apply.add_argument("--filter", action="append", metavar="FILTER",
                       help="filter to run; repeat for several (default ultimate_smoother)")
    apply.add_argument("-o", "--output", metavar="OUT.csv", help="output file (default stdout)")
    apply.set_defaults(run=command_apply)

    plot = commands.add_parser(
        "plot", help="draw the series with its filters", formatter_class=formatter,
        description="Draw the series with the smoothers over it and the oscillators in "
                    "panels below, dates on the x axis.",
        epilog=FILTER_HELP + "\n\nexample:\n  tsfilters plot prices.csv -o chart.png --last 500 "
               "--filters ultimate_smoother laguerre_filter laguerre_oscillator")
    _add_common(plot)
    plot.add_argument("-o", "--output", required=True, metavar="CHART.png",
                      help="image file; .png, .svg or .pdf")
    plot.add_argument("--filters", nargs="+", metavar="FILTER", help="filters to draw (default all seven)")
    plot.add_argument("--date-column", help="column of dates (default: date, else the first column of dates)")
    plot.add_argument("--last", type=int, metavar="N",
                      help="show only the last N samples (the filters still run over all of them)")
    plot.add_argument("--title", help="chart title")
    plot.set_defaults(run=command_plot)
    return parser


def main(argv=None):
    parser = build_parser()
    args = parser.parse_args(argv)
    try:
        # Command-line periods pass through the same int32 checks as the API.
        for key in ("period", "high_pass_period", "smooth_period"):
            try:
                check_int32(key.replace("_", "-"), getattr(args, key))
            except ValueError as exc:
                raise UsageError(exc) from None
        args.run(args)
    except UsageError as exc:
        parser.exit(2, f"tsfilters: error: {exc}\n")
    except ImportError as exc:
        parser.exit(1, f"tsfilters: error: {exc.name or exc} is needed for this command "
                       "(Debian: python3-pandas, python3-matplotlib)\n")
    except (csvio.DataError, _library.LibraryNotFoundError) as exc:
        parser.exit(1, f"tsfilters: error: {exc}\n")
    except OSError as exc:
        parser.exit(1, f"tsfilters: error: {exc}\n")
    return 0
