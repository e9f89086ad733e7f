"""What type checkers and editors see: the filter functions written out
from the current table, stubs that match the modules, and a user's script
that `mypy --strict` accepts."""

import ast
import importlib
import inspect
import subprocess
import sys

import pytest
from conftest import PYTHON_DIR, REPO

import tsfilters
from tsfilters import _typed_source
from tsfilters._filter_table import FILTER_TABLE

PACKAGE = PYTHON_DIR / "tsfilters"


def test_the_written_functions_are_the_current_table():
    for target, text in ((_typed_source.TARGET, _typed_source.source()),
                         (_typed_source.POLARS_TARGET, _typed_source.polars_source())):
        assert target.read_text() == text, \
            "run `python3 -m tsfilters._typed_source` in python/ after changing the table"


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


@pytest.mark.parametrize("module", ["stream", "settling"])
def test_each_stub_has_the_parameters_of_its_module(module):
    runtime = importlib.import_module(f"tsfilters.{module}")
    stubs = _stub_signatures(PACKAGE / f"{module}.pyi")
    assert stubs
    for (owner, name), parameters in stubs.items():
        target = getattr(getattr(runtime, owner), name) if owner else getattr(runtime, name)
        if isinstance(target, property):
            continue
        signature = inspect.signature(target.__func__ if inspect.ismethod(target) else target)
        assert parameters == list(signature.parameters), (owner, name)


def test_mypy_strict_accepts_a_user_script_calling_everything(tmp_path):
    pytest.importorskip("mypy", reason="mypy comes with the PyPI test environment")
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--follow-imports=silent",
         "--cache-dir", str(tmp_path), str(REPO / "examples/python/typed_user.py"),
         str(PACKAGE / "_functions.py"), str(PACKAGE / "stream.pyi"), str(PACKAGE / "settling.pyi")],
        capture_output=True, text=True, cwd=tmp_path,
        env={"MYPYPATH": str(PYTHON_DIR), "PATH": "/usr/bin:/bin"})
    assert run.returncode == 0, run.stdout + run.stderr
