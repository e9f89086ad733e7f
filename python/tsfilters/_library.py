"""Finding and loading the shared library, and declaring its seven functions.

The package calls the library exactly as any other host does: it loads the
file at run time and looks each function up by its exported name. Every
function gets explicit ctypes argument types so that ctypes converts the
arguments to the exact C types (int32_t, float, float*) instead of guessing.

Where the library is looked for, first hit wins:

1. the file named by the environment variable ``TSFILTERS_LIBRARY``;
2. the library inside the package, ``tsfilters/libtsfilters.so``, where a
   release wheel carries it;
3. the build tree of the source checkout this package sits in,
   ``build/default/libtsfilters.so`` next to ``python/``;
4. the system loader: ``ctypes.util.find_library("tsfilters")`` and then the
   installed file names (``libtsfilters.so.0``, ``libtsfilters.so``,
   ``tsfilters.dll``, ``libtsfilters.dylib``).
"""

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path

from ._filter_table import FILTER_TABLE, SHAPE_PARAMETERS

ENV_VARIABLE = "TSFILTERS_LIBRARY"

_FLOAT_P = ctypes.POINTER(ctypes.c_float)

# The C type of each parameter between `input` and `count`.
_C_TYPES = {"period": ctypes.c_int32, "high_pass_period": ctypes.c_int32,
            "smooth_period": ctypes.c_int32, "gamma": ctypes.c_float}

# Exported name -> argument types between `input` and `count`.
_PARAMETERS = {
    row.c_name: tuple(_C_TYPES[p] for p in SHAPE_PARAMETERS[row.shape])
    for row in FILTER_TABLE.values()
}


class LibraryNotFoundError(OSError):
    """The shared library could not be found or loaded."""


def _file_names():
    if sys.platform == "win32":
        return ["tsfilters.dll"]
    if sys.platform == "darwin":
        return ["libtsfilters.dylib", "libtsfilters.0.dylib"]
    return ["libtsfilters.so.0", "libtsfilters.so"]


def packaged_library(file_name):
    """`file_name` inside the package, where a release wheel puts the shared
    libraries, or None in a source checkout or an install without them."""
    candidate = Path(__file__).resolve().parent / file_name
    return candidate if candidate.is_file() else None


def _build_tree_candidate():
    """The library built by `make` in the checkout this package came from."""
    repo = Path(__file__).resolve().parent.parent.parent
    if sys.platform == "win32":
        name = "tsfilters.dll"
    elif sys.platform == "darwin":
        name = "libtsfilters.dylib"
    else:
        name = "libtsfilters.so"
    candidate = repo / "build" / "default" / name
    return candidate if candidate.is_file() else None


def _candidates():
    """The places to try, in order, as (description, path or name) pairs,
    found one at a time: asking the system loader runs helper programs,
    which a library found in the build tree makes unnecessary."""
    from_env = os.environ.get(ENV_VARIABLE)
    if from_env:
        # An explicit choice is final: a wrong path must not silently fall
        # back to some other copy of the library.
        yield (f"${ENV_VARIABLE}", from_env)
        return
    # A wheel's own copy is the one it was built and tested with.
    packaged = packaged_library("libtsfilters.so")
    if packaged is not None:
        yield ("package", str(packaged))
    built = _build_tree_candidate()
    if built is not None:
        yield ("build tree", str(built))
    system = ctypes.util.find_library("tsfilters")
    if system:
        yield ("system loader", system)
    yield from (("system loader", name) for name in _file_names())


def candidates():
    """The places tried, in order, as (description, path or name) pairs."""
    return list(_candidates())


def _open(path):
    # CDLL uses the C calling convention (cdecl on 32-bit Windows), which is
    # what the library exports; WinDLL would be stdcall and wrong.
    return ctypes.CDLL(path)


def _declare(lib):
    functions = {}
    for name, params in _PARAMETERS.items():
        try:
            fn = getattr(lib, name)  # dlsym / GetProcAddress by name
        except AttributeError:
            raise LibraryNotFoundError(
                f"{lib._name} has no function {name}; is it the tsfilters library?"
            ) from None
        fn.argtypes = (_FLOAT_P, *params, ctypes.c_int32, _FLOAT_P)
        fn.restype = None
        functions[name] = fn
    return functions


def load(path=None):
    """Loads the library at `path`, or the first one found, and returns a
    dict from exported name to the declared ctypes function."""
    if path is not None:
        tried = [("argument", str(path))]
    else:
        tried = _candidates()
    errors = []
    for where, target in tried:
        try:
            lib = _open(target)
        except OSError as exc:
            errors.append(f"  {where}: {target}: {exc}")
            continue
        return _declare(lib)
    raise LibraryNotFoundError(
        "cannot load the tsfilters library; set "
        f"{ENV_VARIABLE} to its path or build it with `make`. Tried:\n"
        + "\n".join(errors)
    )


_lock = threading.Lock()
_functions = None


def functions():
    """The seven functions of the library, loaded on first use."""
    global _functions
    if _functions is None:
        with _lock:
            if _functions is None:
                _functions = load()
    return _functions
