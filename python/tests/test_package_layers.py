"""The package's modules stand in layers: read from the sources, their imports
form no circle, run at most six deep, and each frame library's types are told
apart in at most two modules (its own and the one that dispatches)."""

import ast
import functools
from pathlib import Path

import pytest

PACKAGE = Path(__file__).resolve().parents[1] / "tsfilters"
MAX_CHAIN = 6

# The names a frame library's types go by, and the class names that a test of
# `type(x).__name__` or `x.__class__.__name__` against a string would mean.
# numpy's scalar types (np.integer, np.generic) are value checks, not frames:
# only its array type counts.
LIBRARIES = {
    "pandas": {"Series", "DataFrame", "Index", "RangeIndex", "PeriodIndex", "Timestamp", "Period"},
    "polars": {"Series", "DataFrame", "LazyFrame", "Expr"},
    "pyarrow": {"Table", "Array", "ChunkedArray", "RecordBatch"},
    "xarray": {"DataArray", "Dataset"},
    "dask": {"DataFrame", "Series"},
    "numpy": {"ndarray"},
}
# The short names the package (and everyone) gives the libraries, whether bound
# by an import, an assignment, a tuple of them or a function's parameter.
SHORT_NAMES = {"pandas": {"pd", "_pd"}, "polars": {"pl", "_pl"}, "pyarrow": {"pa", "_pa"},
               "xarray": {"xr", "_xr"}, "dask": {"dd", "_dd"}, "numpy": set()}


def module_name(path):
    parts = list(path.relative_to(PACKAGE.parent).with_suffix("").parts)
    return ".".join(parts[:-1] if parts[-1] == "__init__" else parts)


def sources():
    return {module_name(p): p for p in sorted(PACKAGE.rglob("*.py"))}


def resolve(importer, path, node):
    """The modules of the package that one import statement names."""
    modules = sources()
    if isinstance(node, ast.Import):
        named = [alias.name for alias in node.names]
    else:
        if node.level:
            base = importer.split(".") if path.name == "__init__.py" else importer.split(".")[:-1]
            base = base[:len(base) - node.level + 1]
            stem = ".".join(base + ([node.module] if node.module else []))
        else:
            stem = node.module or ""
        # `from . import x` imports the module x when there is one, else a name of the package.
        named = [f"{stem}.{a.name}" if f"{stem}.{a.name}" in modules else stem for a in node.names]
    found = set()
    for name in named:
        while name and name not in modules:
            name = name.rpartition(".")[0]
        if name.startswith("tsfilters") and name != importer:
            found.add(name)
    return found


@functools.lru_cache(maxsize=None)
def graph():
    edges = {}
    for name, path in sources().items():
        tree = ast.parse(path.read_text(encoding="utf-8"))
        edges[name] = set()
        for node in ast.walk(tree):  # imports inside functions count too
            if isinstance(node, (ast.Import, ast.ImportFrom)):
                edges[name] |= resolve(name, path, node)
        # A package imports its own __init__ first whenever one of its modules is
        # imported, but that is the interpreter's order, not a dependency.
    return edges


def circles(edges):
    """Strongly connected groups of more than one module (Tarjan)."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in edges[v]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = set()
            while True:
                w = stack.pop()
                on.discard(w)
                group.add(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def longest_chain(edges):
    """The most imports one after another, as a list of modules (a circle is
    followed once round, so that a tree with circles still gets a figure)."""
    def longest_from(v, seen):
        return max(([v] + longest_from(w, seen | {w}) for w in edges[v] if w not in seen),
                   key=len, default=[v])
    return max((longest_from(v, {v}) for v in sorted(edges)), key=len)


def library_aliases(tree, library):
    """Names in a module that stand for the library or one of its classes."""
    names = {library} | SHORT_NAMES[library]
    for node in ast.walk(tree):
        if isinstance(node, ast.Import):
            names |= {a.asname or a.name for a in node.names if a.name.split(".")[0] == library}
        elif isinstance(node, ast.ImportFrom) and (node.module or "").split(".")[0] == library:
            names |= {a.asname or a.name for a in node.names}
    # `_pd = sys.modules.get("pandas")` and the like
    for node in ast.walk(tree):
        if isinstance(node, ast.Assign) and mentions(node.value, library, names):
            names |= {t.id for t in node.targets if isinstance(t, ast.Name)}
    return names


def mentions(expr, library, aliases):
    for node in ast.walk(expr):
        if isinstance(node, ast.Name) and node.id in aliases:
            return True
        if isinstance(node, ast.Constant) and node.value == library:
            return True
        if isinstance(node, ast.Call):  # loaded_pandas(), _pandas()
            called = node.func.attr if isinstance(node.func, ast.Attribute) else getattr(node.func, "id", "")
            if library in called.lower():
                return True
    return False


def type_tested(tree, library):
    """Whether a module tells the library's objects apart by their type."""
    aliases = library_aliases(tree, library)
    for node in ast.walk(tree):
        if isinstance(node, ast.Call) and getattr(node.func, "id", "") in ("isinstance", "issubclass") \
                and len(node.args) == 2:
            kinds = node.args[1]
            if library == "numpy":
                if any(isinstance(n, ast.Attribute) and n.attr == "ndarray" for n in ast.walk(kinds)):
                    return True
            elif mentions(kinds, library, aliases):
                return True
        if isinstance(node, ast.Compare):  # type(x).__module__ == "pandas...", x.__class__.__name__ == "Series"
            sides = [node.left, *node.comparators]
            if any(isinstance(s, ast.Call) and getattr(s.func, "id", "") == "type" for s in sides):
                others = [s for s in sides if not isinstance(s, ast.Call)]  # type(x) is np.ndarray
                if library == "numpy" and any(isinstance(n, ast.Attribute) and n.attr == "ndarray"
                                              for s in others for n in ast.walk(s)):
                    return True
                if library != "numpy" and any(mentions(s, library, aliases) for s in others):
                    return True
            asks = any(isinstance(n, ast.Attribute) and n.attr in ("__module__", "__name__", "__qualname__")
                       for s in sides for n in ast.walk(s))
            texts = {n.value for s in sides for n in ast.walk(s)
                     if isinstance(n, ast.Constant) and isinstance(n.value, str)}
            if asks and any(t.split(".")[0] == library or t in LIBRARIES[library] for t in texts):
                return True
    return False


def test_no_module_imports_itself_back():
    assert circles(graph()) == []


def test_the_longest_chain_of_imports_is_short():
    chain = longest_chain(graph())
    assert len(chain) - 1 <= MAX_CHAIN, " -> ".join(chain)


@pytest.mark.parametrize("library", sorted(LIBRARIES))
def test_each_frame_library_is_told_apart_in_at_most_two_modules(library):
    testing = sorted(name for name, path in sources().items()
                     if type_tested(ast.parse(path.read_text(encoding="utf-8")), library))
    assert len(testing) <= 2, testing


def test_the_reader_sees_what_it_must():
    # The measures above are only as good as the reading: a circle, a chain and
    # a type test written the ways this package writes them must all be seen.
    assert circles({"a": {"b"}, "b": {"c"}, "c": {"a"}, "d": set()}) == [["a", "b", "c"]]
    assert longest_chain({"a": {"b", "c"}, "b": {"c"}, "c": set()}) == ["a", "b", "c"]
    for text in ("import pandas as pd\ndef f(x): return isinstance(x, pd.Series)",
                 "import sys\n_pd = sys.modules.get('pandas')\ndef f(x): return isinstance(x, _pd.Index)",
                 "def f(x): return isinstance(x, loaded_pandas().PeriodIndex)",
                 "def f(x): return x.__class__.__name__ == 'Series'",
                 "def f(x): return type(x).__module__ == 'pandas.core.frame'",
                 "import sys\npd, pl = (sys.modules.get(m) for m in ('pandas', 'polars'))\n"
                 "def f(x): return isinstance(x, pd.DataFrame)"):
        assert type_tested(ast.parse(text), "pandas"), text
    assert type_tested(ast.parse("import numpy as np\ntype(x) is np.ndarray"), "numpy")
    assert not type_tested(ast.parse("import numpy as np\nisinstance(x, np.integer)"), "numpy")
    edges = graph()
    assert "tsfilters.stream" in edges["tsfilters"]  # `from .stream import ...` in __init__


@pytest.mark.parametrize("old, new", [("tsfilters.csvio", "tsfilters.cli.csv_files"),
                                      ("tsfilters.series_file", "tsfilters.cli.series_file"),
                                      ("tsfilters.command", "tsfilters.cli")])
def test_the_command_modules_old_names_warn_and_are_the_new_modules(old, new):
    """Each old name is the moved module itself, not a copy: what a caller
    replaces through it (a monkeypatched reader) is what the command uses."""
    import importlib
    import sys
    sys.modules.pop(old, None)
    # Imported afresh, as a caller's first import would find them.
    vars(importlib.import_module("tsfilters")).pop(old.rpartition(".")[2], None)
    with pytest.warns(DeprecationWarning, match=f"{old} is deprecated; use {new}"):
        module = importlib.import_module(old)
    assert module is importlib.import_module(new) is sys.modules[old]
    assert callable(module.main if old.endswith("command") else
                    module.read_table if old.endswith("csvio") else module.load_series)


def test_each_module_of_the_command_imports_first_in_a_fresh_interpreter():
    """The command's package forwards unknown names to its commands; a module
    of its own imported first (csv_files, as a test or a script may) must not
    be mistaken for one and drag the commands in half-way through."""
    import subprocess
    import sys
    names = sorted(module_name(p) for p in (PACKAGE / "cli").glob("*.py"))
    for name in names:
        run = subprocess.run([sys.executable, "-W", "error", "-c", f"import {name}"],
                             capture_output=True, text=True, cwd=PACKAGE.parent)
        assert run.returncode == 0, (name, run.stderr[-500:])



def binds_pandas(tree):
    """Where a module reaches pandas itself rather than through a module of
    _frames: an import, a short name, loaded_pandas(), or the text "pandas"
    outside a question to kinds.is_a (a sys.modules or __import__ lookup)."""
    asked = {id(arg) for n in ast.walk(tree) if isinstance(n, ast.Call)
             and getattr(n.func, "attr", "") == "is_a" for arg in n.args}
    found = [a.name for n in ast.walk(tree) if isinstance(n, (ast.Import, ast.ImportFrom))
             for a in n.names if (getattr(n, "module", None) or a.name).split(".")[0] == "pandas"]
    found += [n.id for n in ast.walk(tree) if isinstance(n, ast.Name)
              and n.id in {"pd", "_pd", "pandas", "loaded_pandas"}]
    found += [repr(n.value) for n in ast.walk(tree) if isinstance(n, ast.Constant)
              and n.value == "pandas" and id(n) not in asked]
    return found


def test_the_stream_front_reaches_pandas_only_through_its_frames_module():
    """Reading and writing pandas objects for Stream and Streams lives in
    _frames/pandas; a stream.py that binds pandas itself has started growing
    its own conversions again. Which library an object comes from is still
    asked of kinds."""
    tree = ast.parse((PACKAGE / "stream.py").read_text(encoding="utf-8"))
    assert binds_pandas(tree) == []
    for text in ("import pandas as pd", "import sys\nsys.modules.get('pandas').Series(x)",
                 "loaded_pandas().Index([d])", "__import__('pandas')"):
        assert binds_pandas(ast.parse(text)), text
    assert not binds_pandas(ast.parse("kinds.is_a(x, 'pandas', 'Series')"))


def asks_about(tree, library):
    """The places a module names the library: an import, a short name, or
    the text itself (a kinds.is_a question, a sys.modules lookup)."""
    found = [a.name for n in ast.walk(tree) if isinstance(n, (ast.Import, ast.ImportFrom))
             for a in n.names if (getattr(n, "module", None) or a.name).split(".")[0] == library]
    found += [n.id for n in ast.walk(tree) if isinstance(n, ast.Name)
              and n.id in SHORT_NAMES[library] | {library}]
    found += [repr(n.value) for n in ast.walk(tree) if isinstance(n, ast.Constant)
              and n.value == library]
    return found


def test_only_the_xarray_module_asks_about_xarray():
    """A DataArray is read, ordered and rebuilt in _frames/xarray alone; the
    other fronts hand it there (the functions' dispatch asks it, not kinds)."""
    asking = sorted(name for name, path in sources().items()
                    if asks_about(ast.parse(path.read_text(encoding="utf-8")), "xarray"))
    assert asking == ["tsfilters._frames.xarray"]
    for text in ("import xarray as xr", "kinds.is_a(x, 'xarray', 'DataArray')",
                 "_xr = sys.modules.get('xarray')"):
        assert asks_about(ast.parse(text), "xarray"), text


@pytest.mark.parametrize("module", ["arrays", "not_prices", "label_text", "labels", "gaps", "order",
                                    "axes", "xarray", "long_columns", "long_table"])
def test_the_frames_core_binds_no_pandas(module):
    """The NumPy core the frame modules build on knows no pandas: a Series
    or DataFrame is read and rebuilt in _frames/pandas, chosen once by the
    call above it. (An index's order is asked of the index's own methods.)"""
    tree = ast.parse((PACKAGE / "_frames" / f"{module}.py").read_text(encoding="utf-8"))
    assert binds_pandas(tree) == []
