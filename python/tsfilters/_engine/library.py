"""Finding and loading the shared libraries, and declaring the seven filters.

The package calls the library exactly as any other host does: it loads the
file at run time and looks each function up by its exported name. Every
function gets explicit ctypes argument types so that ctypes converts the
arguments to the exact C types (int32_t, float, float*) instead of guessing.

Two libraries are looked for by the same rules: ``tsfilters`` (the seven
batch functions) and ``tsfilters_stream`` (streams and lanes). For each,
first hit wins:

1. the file named by its environment variable, ``TSFILTERS_LIBRARY`` or
   ``TSFILTERS_STREAM_LIBRARY``;
2. for the stream library, the folder of the file ``TSFILTERS_LIBRARY``
   names: the two are built and installed side by side;
3. the library inside the package (``tsfilters/libtsfilters.so``,
   ``tsfilters/libtsfilters_stream.so``), where a release wheel carries them;
4. the build tree of the source checkout this package sits in,
   ``build/default/`` next to ``python/``;
5. the system loader: ``ctypes.util.find_library`` and then the installed
   file names (``libtsfilters.so.0``, ``libtsfilters.so``, ``tsfilters.dll``,
   ``libtsfilters.dylib``, and the same for ``tsfilters_stream``).

``places(stem)`` is the one list of these rules.
"""

import ctypes
import os
from typing import Any, Dict, Union

from .filter_table import FILTER_TABLE, SHAPE_PARAMETERS
from .loading import (ENV_VARIABLE, ENV_VARIABLES, STREAM_ENV_VARIABLE,  # noqa: F401 (for callers)
                      LibraryNotFoundError, LoadedOnce, candidates, file_names, open_library,
                      packaged_library, places)

_FLOAT_P = ctypes.POINTER(ctypes.c_float)

# The C type of each parameter between `input` and `count`.
_C_TYPES = {"period": ctypes.c_int32, "high_pass_period": ctypes.c_int32,
            "smooth_period": ctypes.c_int32, "gamma": ctypes.c_float}

# Exported name -> argument types between `input` and `count`.
_PARAMETERS = {
    row.c_name: tuple(_C_TYPES[p] for p in SHAPE_PARAMETERS[row.shape])
    for row in FILTER_TABLE.values()
}


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


def load(path: Union[str, "os.PathLike[str]", None] = None) -> Dict[str, Any]:
    """Loads the library at `path`, or the first one found (see
    `places`), and returns a dict from exported name to the declared ctypes
    function; LibraryNotFoundError lists every place tried.

    >>> import tsfilters
    >>> sorted(tsfilters.load())[:2]
    ['BandPass', 'CyberneticOscillator']
    """
    return _declare(open_library("tsfilters", path))


# The seven functions of the library, loaded on first use.
functions = LoadedOnce(load)
