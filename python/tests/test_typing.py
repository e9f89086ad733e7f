"""What type checkers and editors see: the filter functions written out
from the current table, stubs that match the modules, and a user's script
that `mypy --strict` accepts."""

import ast
import importlib
import inspect
import os
import re
import subprocess
import sys

import pytest
from conftest import PYTHON_DIR, REPO

import tsfilters
from tsfilters import _typed_source
from tsfilters._engine.filter_table import FILTER_TABLE

PACKAGE = PYTHON_DIR / "tsfilters"


def test_the_written_functions_and_overloads_are_the_current_table():
    for target, text in _typed_source.written().items():
        assert target.read_text() == text, \
            "run `python3 -m tsfilters._typed_source` in python/ after changing the table"
    # Every template has its block in some stub (a block lost from a stub
    # would leave its calls untyped, and the check above silent).
    blocks = [key for stub in _typed_source.STUBS
              for key in re.findall(r"# generated: (\w+)", (PACKAGE / stub).read_text())]
    assert sorted(set(blocks) - {"imports"}) == sorted(_typed_source._STUB_TEMPLATES)
    assert len(blocks) == len(set(blocks)) + len(_typed_source.STUBS) - 1


def test_polars_and_dask_are_their_modules_imported_on_first_use():
    # In a fresh interpreter: neither is imported by `import tsfilters`.
    code = """if True:
        import sys, tsfilters
        assert "tsfilters.polars" not in sys.modules and "tsfilters.dask" not in sys.modules
        assert tsfilters.polars.__name__ == "tsfilters.polars", tsfilters.polars
        assert callable(tsfilters.polars.tsf)
        assert tsfilters.dask.__name__ == "tsfilters.dask"
        try:
            tsfilters.super_smother
        except AttributeError as error:
            assert "super_smother" in str(error)
        else:
            raise AssertionError("a misspelt name found")
        assert not hasattr(tsfilters, "Polars")
        """
    for module in ("polars", "dask.dataframe"):
        pytest.importorskip(module)
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         env={**os.environ, "PYTHONPATH": str(PYTHON_DIR)})
    assert run.returncode == 0, run.stderr


def test_the_package_imports_and_exports_every_function_by_name():
    tree = ast.parse((PACKAGE / "__init__.py").read_text())
    imported = {alias.name for node in ast.walk(tree) if isinstance(node, ast.ImportFrom)
                and node.module == "_functions" for alias in node.names}
    exported = next(node.value for node in tree.body if isinstance(node, ast.Assign)
                    and node.targets[0].id == "__all__")
    assert imported == set(FILTER_TABLE)
    assert set(FILTER_TABLE) <= {element.value for element in exported.elts}
    assert (PACKAGE / "py.typed").is_file()
    for name in FILTER_TABLE:
        assert tsfilters.FILTERS[name][0] is getattr(tsfilters, name)


def _stub_signatures(path):
    """(owner, name) -> parameter names of every def in a stub file."""
    found = {}
    for node in ast.parse(path.read_text()).body:
        owner, defs = (node.name, node.body) if isinstance(node, ast.ClassDef) else (None, [node])
        for item in defs:
            if isinstance(item, ast.FunctionDef):
                arguments = item.args
                found[(owner, item.name)] = [a.arg for a in arguments.args + arguments.kwonlyargs] \
                    + ([arguments.kwarg.arg] if arguments.kwarg else [])
    return found


@pytest.mark.parametrize("module", ["stream", "settling", "sweeps", "response", "long_tables",
                                    "dask"])
def test_each_stub_has_the_parameters_of_its_module(module):
    if module == "dask":
        pytest.importorskip("dask")
    runtime = importlib.import_module(f"tsfilters.{module}")
    stubs = _stub_signatures(PACKAGE / f"{module}.pyi")
    assert stubs
    for (owner, name), parameters in stubs.items():
        target = getattr(getattr(runtime, owner), name) if owner else getattr(runtime, name)
        if isinstance(target, property):
            continue
        signature = inspect.signature(target.__func__ if inspect.ismethod(target) else target)
        assert parameters == list(signature.parameters), (owner, name)


def mypy(tmp_path, *files):
    """mypy --strict as configured in pyproject.toml: on its files (the
    typed example and the package's typed surface), or on `files`."""
    pytest.importorskip("mypy", reason="mypy comes with the PyPI test environment")
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--config-file", str(REPO / "pyproject.toml"),
         "--cache-dir", str(tmp_path / "cache"), *map(str, files)],
        capture_output=True, text=True, cwd=tmp_path, env={"PATH": "/usr/bin:/bin"})


def test_mypy_strict_accepts_a_user_script_calling_everything(tmp_path):
    run = mypy(tmp_path)
    assert run.returncode == 0, run.stdout + run.stderr


# Each line a mistake the types must catch, with what mypy says of it.
MISTAKES = {
    'tsfilters.super_smother(prices)': "super_smother",
    'tsfilters.Stream("super_smother")': "Stream",
    'tsfilters.high_pass("close", 20)': "high_pass",
    'tsfilters.super_smoother(frame, period=2.5)': "super_smoother",
    'tsfilters.ultimate_smoother(prices, missing="zero")': "ultimate_smoother",
    'tsfilters.per_symbol(frame, "low_pass")': "per_symbol",
    'tsfilters.per_symbol(long, "super_smoother", period=20.0)': "per_symbol",
    'tsfilters.per_symbol(long, "super_smoother", perod=20)': '"perod"',
    'tsfilters.Stream("super_smoother", period=20.0)': "Stream",
    'tsfilters.Stream("super_smoother", perod=20)': '"perod"',
    'tsfilters.Stream("laguerre_filter", gama=0.5)': '"gama"',
    'tsfilters.Stream("super_smoother", gamma=0.5)': "Stream",  # another filter's
    'tsfilters.Stream(configured(), period=20)': "Stream",  # not every filter has one
    'tsfilters.Streams("super_smoother", ["a"], period=[20.0])': "Streams",
    'tsfilters.Streams("super_smoother", ["a"], perod=20)': '"perod"',
    'book.add("b", period=2.5)': "add",
    'tsfilters.sweep(prices, "laguerre", period=[10, 20])': "sweep",
    'tsfilters.sweep(prices, "super_smoother", period=[10.5, 20.5])': "sweep",
    'tsfilters.sweep(prices, "laguerre_filter", gama=[0.5, 0.8])': '"gama"',
    'skipped: "pd.Series[float]" = book.update(row)': "Incompatible types in assignment",
    'polars_out: pl.Series = tsfilters.Stream("high_pass").update(pl.Series([1.0]))':
        "Incompatible types in assignment",  # a NumPy array comes back
    'settling.settling_length("band_pas")': "settling_length",
    'settling.warmup_length("laguerre_filter", gamma="0.8")': "warmup_length",
    'settling.tracking_periods("band_pass")': "tracking_periods",
    'tsfilters.response("band_pass", period=10)': "response",
    'tsfilters.dask.apply(long, "high_pass", perod=5)': '"perod"',
    'tsfilters.polars.tsf("close")': "tsf",
    'tsfilters.polars.tsf(pl.col("close")).super_smoother(20.0)': "super_smoother",
    'tsfilters.polars.tsf(pl.col("close")).laguerre_filter(gamma="0.8")': "laguerre_filter",
    'x: pl.Series = tsfilters.ultimate_smoother(frame)': "Incompatible types in assignment",
}

# What the mistakes above use, written as a user would, without an error.
_PREAMBLE = """\
import pandas as pd
import polars as pl
import tsfilters
from tsfilters import settling
from tsfilters._functions import FilterName
def configured() -> FilterName: return "high_pass"
prices = [1.0, 2.0]
frame = pd.DataFrame({'close': prices})
long = pd.DataFrame({'symbol': ['a', 'a'], 'date': [1, 2], 'close': prices})
book = tsfilters.Streams("high_pass", ["a"])
row = pd.Series([1.0], index=["a"])
"""


def test_mypy_strict_refuses_misspelt_names_and_strings_for_series(tmp_path):
    script = tmp_path / "mistakes.py"
    script.write_text(_PREAMBLE + "\n".join(MISTAKES) + "\n")
    run = mypy(tmp_path, script)
    errors = [line for line in run.stdout.splitlines() if ": error:" in line]
    first = _PREAMBLE.count("\n") + 1  # the line of the first mistake
    for line, (code, said) in enumerate(MISTAKES.items(), start=first):
        found = [e for e in errors if e.startswith(f"{script.name}:{line}:")]
        assert found and said in found[0], (code, run.stdout)
    assert len({e.split(":")[1] for e in errors}) == len(MISTAKES), run.stdout


def test_the_typed_example_runs(tmp_path):
    for module in ("mypy", "polars", "dask.dataframe"):
        pytest.importorskip(module)
    run = subprocess.run([sys.executable, str(REPO / "examples/python/typed_user.py")],
                         capture_output=True, text=True, cwd=tmp_path,
                         env={**os.environ, "PYTHONPATH": str(PYTHON_DIR)})
    assert run.returncode == 0, run.stderr
