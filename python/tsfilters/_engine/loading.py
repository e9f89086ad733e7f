"""Finding and opening the two shared libraries, and loading each once.

The rules for where a library is looked for are in `places`; `library`
and `stream_library` declare the functions of the handle opened here.
"""

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path

ENV_VARIABLE = "TSFILTERS_LIBRARY"
STREAM_ENV_VARIABLE = "TSFILTERS_STREAM_LIBRARY"

# Library stem -> the environment variable naming its file.
ENV_VARIABLES = {"tsfilters": ENV_VARIABLE, "tsfilters_stream": STREAM_ENV_VARIABLE}

class LibraryNotFoundError(OSError):
    """The shared library could not be found or loaded."""


def file_names(stem="tsfilters"):
    """The names the system gives library `stem`, installed versions first."""
    if sys.platform == "win32":
        return [f"{stem}.dll"]
    if sys.platform == "darwin":
        return [f"lib{stem}.dylib", f"lib{stem}.0.dylib"]
    return [f"lib{stem}.so.0", f"lib{stem}.so"]


def _built_name(stem):
    """The file name the build gives library `stem`."""
    return file_names(stem)[-1] if sys.platform != "darwin" else f"lib{stem}.dylib"


def packaged_library(file_name):
    """`file_name` inside the package, where a release wheel puts the shared
    libraries, or None in a source checkout or an install without them."""
    here = Path(__file__).resolve().parent.parent  # the package, above this subpackage
    # An editable install (pip install -e .) imports the modules from the
    # checkout and finds the libraries where the build installed them, in
    # site-packages: the package's other folder.
    package = sys.modules.get(__package__.rpartition(".")[0])
    folders = [here] + [Path(p).resolve() for p in getattr(package, "__path__", [])]
    return next((folder / file_name for folder in folders if (folder / file_name).is_file()), None)


def _build_tree_candidate(stem):
    """The library built by `make` in the checkout this package came from."""
    repo = Path(__file__).resolve().parents[3]
    candidate = repo / "build" / "default" / _built_name(stem)
    return candidate if candidate.is_file() else None


def places(stem="tsfilters"):
    """The places to try for library `stem`, in order, as (description, path
    or name) pairs, found one at a time: asking the system loader runs helper
    programs, which a library found in the build tree makes unnecessary."""
    variable = ENV_VARIABLES[stem]
    from_env = os.environ.get(variable)
    if from_env:
        # An explicit choice is final: a wrong path must not silently fall
        # back to some other copy of the library.
        yield (f"${variable}", from_env)
        return
    main = os.environ.get(ENV_VARIABLE)
    if stem != "tsfilters" and main:
        beside = Path(main).resolve().parent / _built_name(stem)
        if beside.is_file():
            yield (f"beside ${ENV_VARIABLE}", str(beside))
    # A wheel's own copy is the one it was built and tested with.
    packaged = packaged_library(_built_name(stem))
    if packaged is not None:
        yield ("package", str(packaged))
    built = _build_tree_candidate(stem)
    if built is not None:
        yield ("build tree", str(built))
    system = ctypes.util.find_library(stem)
    if system:
        yield ("system loader", system)
    yield from (("system loader", name) for name in file_names(stem))


def candidates(stem="tsfilters"):
    """The places tried for library `stem`, in order, as (description, path
    or name) pairs."""
    return list(places(stem))


def _open(path):
    # CDLL uses the C calling convention (cdecl on 32-bit Windows), which is
    # what the library exports; WinDLL would be stdcall and wrong.
    return ctypes.CDLL(path)


def open_library(stem="tsfilters", path=None):
    """The ctypes handle of library `stem`: the file at `path`, or the first
    one found in `places(stem)`."""
    tried = [("argument", str(path))] if path is not None else places(stem)
    errors = []
    for where, target in tried:
        try:
            return _open(target)
        except OSError as exc:
            errors.append(f"  {where}: {target}: {exc}")
    raise LibraryNotFoundError(
        f"cannot load the {stem} library; set {ENV_VARIABLES[stem]} to its path "
        "or build it with `make`. Tried:\n" + "\n".join(errors)
    )


class LoadedOnce:
    """Calls `load` on first use, once even when threads race, and keeps
    what it returned in `value`."""

    def __init__(self, load):
        self._load, self._lock, self.value = load, threading.Lock(), None

    def __call__(self):
        if self.value is None:
            with self._lock:
                if self.value is None:
                    self.value = self._load()
        return self.value


