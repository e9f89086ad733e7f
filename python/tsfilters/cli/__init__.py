"""The `tsfilters` command: `apply` adds filter columns to a CSV file,
`plot` draws a chart of a series and its filters, `response` one of their
gains and lags.

`main` is the entry point of the console script and of `python -m
tsfilters`. It imports the commands only when it runs them, so that a
numpy-only install says in one line what the command lacks (`needs`)
instead of dying in a traceback. The rest of the command (`build_parser`,
`UsageError`, ...) is `commands`, reached through this package too.
"""

import importlib
import pkgutil
import sys

from .needs import lacking, missing_message

_MODULES = {module.name for module in pkgutil.iter_modules(__path__)}


def main(argv=None):
    try:
        from .commands import main as run
    except ImportError as exc:
        if lacking(exc) is None:
            raise
        sys.stderr.write(missing_message(lacking(exc)))
        return 1
    return run(argv)


def __getattr__(name):
    # A module of this package is the import system's to load: asked here
    # first (`from . import output_file` inside csv_files), it must not
    # start importing the commands, which import that module back.
    if name.startswith("__") or name in _MODULES:
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
    # pandas is imported only when the commands are asked for. import_module,
    # not `from . import`, which would ask this function for `commands` again.
    commands = importlib.import_module(".commands", __name__)
    try:
        return getattr(commands, name)
    except AttributeError:
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}") from None
