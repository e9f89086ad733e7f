"""What the `tsfilters` command needs beyond numpy, and what it says without it.

The command reads and writes price files with pandas and draws charts with
matplotlib, which the package itself does not need: `pip install tsfilters`
brings numpy alone. Without them the command says, in one line, how to get
them, instead of dying in a traceback at its first import.
"""

# What the command needs beyond numpy, and how each way of installing gets it.
NEEDED = ("pandas", "matplotlib")
HOW = 'pip install "tsfilters[cli]" (Debian: python3-pandas python3-matplotlib)'


def lacking(exc):
    """The needed package an ImportError says is not there, or None."""
    package = (exc.name or "").split(".")[0]
    return package if package in NEEDED else None


def missing_message(package):
    return f"tsfilters: error: the command needs {package}: {HOW}\n"
