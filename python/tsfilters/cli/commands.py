"""The `tsfilters` command: `apply` adds filter columns to a CSV file,
`plot` draws a chart of a series and its filters.

Exit status: 0 on success, 1 for a problem with the data or files, 2 for a
wrong command line. Errors go to stderr as one line, without a traceback.
"""

import argparse
import os
import signal
import sys
import warnings

import numpy as np

from .. import _calls
from .._engine import library as _library
from .._engine.filter_table import FILTER_TABLE, RMS_WINDOW, SHAPE_PARAMETERS
from .._engine.precision_limits import PrecisionWarning
from .._engine.values import check_int32, check_real
from .._frames.gaps import CHOICES as MISSING_CHOICES
from .._frames.gaps import MARKERS
from ..settling import settling_length
from . import csv_files, output_file
from .needs import lacking, missing_message
from .series_file import load_series

CHART_SUFFIXES = (".png", ".svg", ".pdf")


def _parameter_names(name):
    """The parameters filter `name` takes, in the order of its C arguments."""
    return SHAPE_PARAMETERS[FILTER_TABLE[name].shape]


class UsageError(Exception):
    """A wrong command line: exit status 2."""


def _parameter_help():
    lines = ["filters, their parameters and defaults:"]
    for name, row in FILTER_TABLE.items():
        lines.append(f"  {name:<23}" + ", ".join(f"{k}={v:g}" for k, v in row.defaults.items()))
    return "\n".join(lines)


def _settling_help():
    lines = ["samples each filter needs before its output is reliable, at the defaults",
             "(its step response is within 1% of its final value from there on),",
             "measured on the library:"]
    try:
        for name in FILTER_TABLE:
            lines.append(f"  {name:<23}{settling_length(name)}")
    except _library.LibraryNotFoundError:
        lines.append("  (the library was not found; see README.md)")
    return "\n".join(lines)


FILTER_HELP = """\
A filter may carry its own parameters, e.g. ultimate_smoother:period=10 or
band_pass:high_pass_period=40,smooth_period=8; otherwise --period, --gamma,
--high-pass-period and --smooth-period apply, else the filter's default.

Rows are filtered oldest first: a file whose dates run newest first is
filtered in time order and written back in its own order; unsorted or
repeated dates are an error (--sort sorts). Without a date column the rows
are taken as oldest first.

The filters feed back on their own outputs, so one missing value would make
every later output NaN. Missing values, the cells
  {markers}
in any case, and infinite values stop the tool unless --missing drop (filter without those rows, empty cells
on them) or --missing previous (carry the last value forward).

The two oscillators are divided by the RMS of their first {window} values:
their scale depends on where the file starts, and they need {window} rows.
Without --column the tool filters the column called close, else the one
called adj close, price, last or settle (in any case), else the only numeric
column; when several could be meant it lists them and stops. Output columns
are named after that column, the filter and its parameters, e.g.
close_laguerre_filter_0.8_20.

The first rows of every filter are warm-up numbers, not NaN; cells the
library leaves unwritten are empty."""


def _epilog(example):
    markers = ", ".join(repr(m) for m in MARKERS)
    return "\n\n".join([_parameter_help(), FILTER_HELP.format(markers=markers, window=RMS_WINDOW),
                        _settling_help(), "example:\n  " + example])


class _LazyEpilogParser(argparse.ArgumentParser):
    """Builds the epilog (which measures the filters) only when help is shown."""

    def format_help(self):
        if callable(self.epilog):
            self.epilog = self.epilog()
        return super().format_help()


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
    if name not in FILTER_TABLE:
        raise UsageError(f"unknown filter {name!r}; choose from {', '.join(FILTER_TABLE)}")
    parameters = _parameter_names(name)
    defaults = FILTER_TABLE[name].defaults
    values = {key: defaults[key] if getattr(args, key) is None else getattr(args, key)
              for key in parameters}
    for item in filter(None, (part.strip() for part in inline.split(","))):
        key, eq, text = item.partition("=")
        key = key.strip().replace("-", "_")
        if not eq or key not in parameters:
            raise UsageError(f"filter {name} takes {', '.join(parameters)}, not {item!r}")
        values[key] = _parse_parameter(key, text.strip())
    return name, values


def _column_name(name, values, source=None):
    """The filter and its parameters, after the column it filters if any:
    close_laguerre_filter_0.8_20."""
    return "_".join(([source] if source else []) + [name]
                    + [f"{values[key]:g}" for key in _parameter_names(name)])


def _resolve_all(requests, args):
    """[(filter name, parameters)] for the filters asked for, refusing one
    asked for twice; everything a wrong request can be caught by, before
    any data is read."""
    resolved, seen = [], set()
    for request in requests:
        name, values = _resolve(request, args)
        column = _column_name(name, values)
        if column in seen:
            raise UsageError(f"column {column!r} would appear twice; drop the repeated filter")
        seen.add(column)
        resolved.append((name, values))
    return resolved


def _named(resolved, source=None, existing=()):
    """[(filter name, column name, parameters)], the columns named after
    `source`; refuses a name the file already has."""
    named = []
    for name, values in resolved:
        column = _column_name(name, values, source)
        if column in existing:
            raise UsageError(f"column {column!r} is already in the file; filtering its "
                             "output again needs another --column")
        named.append((name, column, values))
    return named


def _run(resolved, series, warmup="keep"):
    """[(filter name, column name, parameters, float32 values in file order)]."""
    out = []
    for name, column, values in resolved:
        result = _calls.call(name, series.prepared.values, values, missing="keep", sort=False,
                             threads=None, warmup=warmup)
        out.append((name, column, values, series.prepared.restore(result)))
    return out


def _check_output(path, source, suffixes=None):
    """Refuses an output the command could only fail on or regret."""
    if not path:
        raise UsageError("-o needs a file name")
    if suffixes and os.path.splitext(path)[1].lower() not in suffixes:
        raise UsageError(f"cannot tell the image format from {path!r}; "
                         f"end the name in {', '.join(suffixes)}")
    # A directory, a disk, a socket or a missing folder is refused before
    # any work, as it would be when writing.
    try:
        how = output_file.plan(path)
    except output_file.OutputError as exc:
        raise csv_files.DataError(str(exc)) from None
    if os.path.exists(path) and os.path.exists(source) and os.path.samefile(path, source):
        raise csv_files.DataError(f"cannot write {path}: it is the input file")
    folder = os.path.dirname(how.target)
    if how.kind == "replace" and not os.access(folder, os.W_OK | os.X_OK):
        raise csv_files.DataError(f"cannot write {path}: the directory {folder} is not writable")


def command_apply(args):
    to_stdout = args.output in (None, "-")
    if not to_stdout:
        _check_output(args.output, args.input)
    series = load_series(args)
    results = _run(_named(args.resolved, series.column, series.table.header), series,
                   args.warmup)
    columns = [(column, values) for _, column, _, values in results]

    if to_stdout:
        csv_files.write_csv(sys.stdout, series.table, columns)
        sys.stdout.flush()
        return

    def write(path):
        with open(path, "w", newline="", encoding="utf-8") as f:
            csv_files.write_csv(f, series.table, columns)

    csv_files.write_atomically(args.output, write)


def _chart_line(name, column, parameters, values, series, order):
    """(name, label, values in time order, first reliable index, why not drawn)."""
    kept = series.prepared.values.shape[0]
    why = None
    if FILTER_TABLE[name].rms_scaled and np.isnan(values).all():
        why = (f"{column}: needs at least {RMS_WINDOW} rows, the series has {kept}"
               if kept < RMS_WINDOW else
               f"{column}: cannot be scaled, the RMS of its first {RMS_WINDOW} values is 0")
    settle = settling_length(name, **parameters)
    settle = len(values) if settle is None else settle
    # The settling length counts filtered samples; dropped rows do not count.
    filtered = np.flatnonzero(~series.dropped[order])
    reliable = int(filtered[settle]) if settle < filtered.size else len(values)
    return name, column, values[order], reliable, why


def command_plot(args):
    _check_output(args.output, args.input, CHART_SUFFIXES)
    from .. import chart  # matplotlib is only needed here

    series = load_series(args)
    results = _run(_named(args.resolved, series.column, series.table.header), series,
                   args.warmup)
    order = series.time_order()
    count = len(order)
    start = 0 if args.last is None else max(0, count - args.last)
    shown = order[start:]
    x = series.dates[shown] if series.dates is not None else np.arange(count)[start:]
    lines = []
    for name, column, parameters, values in results:
        name, label, ordered, reliable, why = _chart_line(name, column, parameters, values,
                                                          series, order)
        lines.append((name, label, ordered[start:], max(0, reliable - start), why))
    input_name = os.path.basename(args.input)
    shown_text = f"last {count - start} of {count}" if args.last is not None else f"{count}"
    title = args.title or f"{input_name}: {series.column}, {shown_text} samples"
    csv_files.write_atomically(
        args.output,
        lambda path: chart.draw(path, x, series.values[shown], series.column, lines, title))
    print(f"wrote {args.output}")


def command_response(args):
    _check_output(args.output, "", CHART_SUFFIXES)
    if args.max_period <= 2:
        raise UsageError("--max-period must be above 2")
    from .. import response_chart  # matplotlib is only needed here
    from ..response import response

    curves = []
    for name, column, values in _named(args.resolved):
        try:
            curves.append((column, response(name, max_period=args.max_period, **values)))
        except ValueError as exc:
            raise csv_files.DataError(str(exc)) from None
    title = args.title or "Gain and lag against the cycle period, measured on an impulse"
    csv_files.write_atomically(args.output,
                           lambda path: response_chart.draw(path, curves, title))
    print(f"wrote {args.output}")


def _add_parameters(parser):
    parser.add_argument("--period", type=int, help="period of the one-period filters and "
                                                   "the Laguerre ones")
    parser.add_argument("--gamma", type=float, help="Laguerre damping, 0 to 1")
    parser.add_argument("--high-pass-period", type=int)
    parser.add_argument("--smooth-period", type=int)


def _add_common(parser):
    parser.add_argument("input", metavar="IN.csv", help="CSV file with a header row")
    parser.add_argument("--column", help="column to filter (default: close, else the one "
                                         "column called adj close, price, last or settle, "
                                         "else the only numeric column); case is ignored "
                                         "unless two match")
    parser.add_argument("--date-column", help="column of dates (default: date, else the first "
                                              "column of dates)")
    _add_parameters(parser)
    parser.add_argument("--sep", help="field separator (default ,)")
    parser.add_argument("--decimal", default=".", help="decimal mark of the numbers, . or , "
                                                       "(default .); filter columns use it too")
    days = parser.add_mutually_exclusive_group()
    days.add_argument("--dayfirst", action="store_true", default=None,
                      help="numeric dates are day/month/year")
    days.add_argument("--monthfirst", dest="dayfirst", action="store_false",
                      help="numeric dates are month/day/year")
    parser.add_argument("--date-format", metavar="FORMAT",
                        help="strptime format of the dates, e.g. %%d.%%m.%%Y")
    parser.add_argument("--sort", action="store_true",
                        help="sort rows by date before filtering (output keeps the file's order)")
    parser.add_argument("--missing", choices=MISSING_CHOICES, default="error",
                        help="what a missing value does: error (default), drop the row from "
                             "the filtering, or carry the previous value forward")
    parser.add_argument("--warmup", choices=("keep", "nan"), default="keep",
                        help="keep (default) the values before each filter has settled, or "
                             "leave those cells empty (nan)")


def build_parser():
    parser = argparse.ArgumentParser(
        prog="tsfilters",
        description="Run the tsfilters library's filters over a column of a CSV file.",
        epilog=f"The library is found through ${_library.ENV_VARIABLE}, the build tree or "
               "the system loader. `tsfilters COMMAND --help` explains the filters.")
    commands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True,
                                     parser_class=_LazyEpilogParser)
    formatter = argparse.RawDescriptionHelpFormatter

    apply = commands.add_parser(
        "apply", help="add one column per filter to a CSV file", formatter_class=formatter,
        description="Write the input columns unchanged plus one column per filter.",
        epilog=lambda: _epilog("tsfilters apply prices.csv --filter laguerre_filter "
                               "--gamma 0.8 --period 20 -o out.csv"))
    _add_common(apply)
    apply.add_argument("--filter", action="append", metavar="FILTER",
                       help="filter to run; repeat for several (default ultimate_smoother)")
    apply.add_argument("-o", "--output", metavar="OUT.csv", help="output file (default stdout)")
    apply.set_defaults(run=command_apply)

    plot = commands.add_parser(
        "plot", help="draw the series with its filters", formatter_class=formatter,
        description="Draw the series with the smoothers over it and the oscillators in "
                    "panels below, dates on the x axis. Each filter's settling stretch is "
                    "drawn faintly on a shaded background.",
        epilog=lambda: _epilog("tsfilters plot prices.csv -o chart.png --last 500 "
                               "--filters ultimate_smoother laguerre_filter cybernetic_oscillator"))
    _add_common(plot)
    plot.add_argument("-o", "--output", required=True, metavar="CHART.png",
                      help="image file; .png, .svg or .pdf")
    plot.add_argument("--filters", nargs="+", metavar="FILTER", help="filters to draw (default all seven)")
    plot.add_argument("--last", type=int, metavar="N",
                      help="show only the last N samples (the filters still run over all of them)")
    plot.add_argument("--title", help="chart title")
    plot.set_defaults(run=command_plot)

    response = commands.add_parser(
        "response", help="draw filters' gain and lag against the cycle period",
        formatter_class=formatter,
        description="Measure each filter's frequency response on an impulse run through "
                    "the library and draw its gain and its lag (in samples) against the "
                    "cycle period, on a log axis.",
        epilog=lambda: _parameter_help() + "\n\nexample:\n  tsfilters response "
                       "ultimate_smoother:period=10 laguerre_filter -o response.png")
    response.add_argument("filters", nargs="*", metavar="FILTER",
                          help="filters to draw, each NAME or NAME:key=value,... "
                               "(default all seven)")
    _add_parameters(response)
    response.add_argument("-o", "--output", required=True, metavar="CHART.png",
                          help="image file; .png, .svg or .pdf")
    response.add_argument("--max-period", type=float, default=200,
                          help="longest cycle period drawn, in samples (default 200)")
    response.add_argument("--title", help="chart title")
    response.set_defaults(run=command_response)
    parser.subcommands = {"apply": apply, "plot": plot, "response": response}
    return parser


def _check_command_line(args):
    """Everything wrong with the command line, found before any file is
    read: a user should not first fix a gap in a file only to learn that
    the filter's name was misspelt. Leaves the filters asked for in
    `args.resolved`."""
    # Command-line periods pass through the same int32 checks as the API.
    for key in ("period", "high_pass_period", "smooth_period"):
        if getattr(args, key) is not None:
            try:
                check_int32(key.replace("_", "-"), getattr(args, key))
            except ValueError as exc:
                raise UsageError(exc) from None
    if hasattr(args, "decimal"):
        problem = csv_files.check_marks(args.sep, args.decimal)
        if problem:
            raise UsageError(problem)
    if getattr(args, "last", None) is not None and args.last < 1:
        raise UsageError("--last must be at least 1")
    default = ["ultimate_smoother"] if args.command == "apply" else list(FILTER_TABLE)
    args.resolved = _resolve_all((getattr(args, "filter", None) or getattr(args, "filters", None)
                                   or default), args)


def _quiet_stdout():
    """After the reader of our output has gone (`| head`), point stdout at
    /dev/null so that the final flush cannot complain either."""
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
    except (OSError, ValueError, AttributeError):
        pass


def _warn_in_one_line():
    """A period beyond a filter's precision limit is said once on stderr,
    as a line of the tool's own, not as a Python warning with its source
    line (inside warnings.catch_warnings, which puts this back)."""
    said = set()
    shown = warnings.showwarning

    def show(message, category, filename, lineno, file=None, line=None):
        if not issubclass(category, PrecisionWarning):
            return shown(message, category, filename, lineno, file, line)
        if str(message) not in said:
            said.add(str(message))
            sys.stderr.write(f"tsfilters: warning: {message}\n")
        return None

    warnings.simplefilter("always", PrecisionWarning)
    warnings.showwarning = show


def main(argv=None):
    parser = build_parser()
    # Parsed in two steps so that a misspelt option is reported with the
    # subcommand's usage, not the top-level one.
    args, extra = parser.parse_known_args(argv)
    command = parser.subcommands[args.command]
    if extra:
        command.error(f"unrecognized arguments: {' '.join(extra)}")
    try:
        _check_command_line(args)
        with warnings.catch_warnings():
            _warn_in_one_line()
            args.run(args)
    except UsageError as exc:
        command.error(str(exc))
    except KeyboardInterrupt:
        # Ctrl-C ends the command as it ends other tools: by the signal, with
        # no traceback (any temporary file is already removed).
        signal.signal(signal.SIGINT, signal.SIG_DFL)
        os.kill(os.getpid(), signal.SIGINT)
        return 128 + signal.SIGINT
    except BrokenPipeError:
        # As other Unix tools: a closed pipe ends the command without a word,
        # with the status of a process ended by SIGPIPE.
        _quiet_stdout()
        return 128 + 13
    except ImportError as exc:
        if lacking(exc) is None:
            raise
        parser.exit(1, missing_message(lacking(exc)))
    except (csv_files.DataError, _library.LibraryNotFoundError) as exc:
        parser.exit(1, f"tsfilters: error: {exc}\n")
    except OSError as exc:
        where = f"{exc.filename}: " if exc.filename else ""
        parser.exit(1, f"tsfilters: error: {where}{exc.strerror or exc}\n")
    return 0
