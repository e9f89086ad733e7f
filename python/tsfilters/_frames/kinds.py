"""Which frame library an object comes from, and which of its types it is:
the one module that tells pandas, Polars, pyarrow, xarray and Dask objects
apart by their type, so that a new front or a new type is one line here.

A library that nothing has imported yet cannot have made the object, so it
is looked up in `sys.modules` rather than imported: importing pandas would
add its import time (longer than the rest of the package's) to every call.
"""

import sys
from types import ModuleType
from typing import Any, Optional

import numpy as np


def loaded(library: str) -> Optional[ModuleType]:
    """The library if something has imported it, else None."""
    return sys.modules.get(library)


def _type(module: Any, dotted: str) -> Any:
    for part in dotted.split("."):
        module = getattr(module, part)
    return module


def is_a(x: Any, library: str, *types: str) -> bool:
    """Whether `x` is an instance of one of `types` (names inside `library`,
    such as "Series" or "api.extensions.ExtensionDtype")."""
    module = sys.modules.get(library)
    return module is not None and isinstance(x, tuple(_type(module, t) for t in types))


def is_pandas_series(x: Any) -> bool:
    """is_a(x, "pandas", "Series"), on the paths that run once per row."""
    pd = sys.modules.get("pandas")
    return pd is not None and isinstance(x, pd.Series)


def looks_like_series(x: Any) -> bool:
    """A first look, by class name alone, that lets a live path skip the
    lookups above for arrays; what it lets through is checked in full."""
    return x.__class__.__name__ == "Series"


def is_array(x: Any) -> bool:
    """A NumPy array (the form every other input is turned into)."""
    return isinstance(x, np.ndarray)


def is_plain_array(x: Any) -> bool:
    """Exactly a NumPy array, no subclass: what the live paths take their
    short way with."""
    return type(x) is np.ndarray


def is_dask_table(x: Any) -> bool:
    """A Dask DataFrame, known by what it does rather than by its type, so
    that a Dask that is not installed is never imported to ask."""
    return hasattr(x, "map_partitions") and getattr(x, "ndim", None) == 2
