"""The README says what the code does: its C snippets compile as written,
its Python examples run, and its settling table is what the library
measures."""

import re
import shutil
import subprocess

import pytest
from conftest import REPO

from tsfilters import settling

README = (REPO / "README.md").read_text()


def c_snippets():
    return re.findall(r"```c\n(.*?)```", README, flags=re.S)


@pytest.mark.parametrize("index", range(len(c_snippets())))
def test_c_snippets_compile_as_written(tmp_path, index):
    snippet = c_snippets()[index]
    windows = "<windows.h>" in snippet
    compiler = shutil.which("x86_64-w64-mingw32-gcc" if windows else "cc")
    if compiler is None:
        pytest.skip("no MinGW-w64 compiler" if windows else "no C compiler")
    source = tmp_path / "snippet.c"
    source.write_text(snippet)
    run = subprocess.run([compiler, "-std=c11", "-Wall", "-Werror", "-Wno-unused-variable",
                          "-Wno-unused-but-set-variable", "-I", str(REPO / "include"),
                          "-c", str(source), "-o", str(tmp_path / "snippet.o")],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr


def test_the_settling_table_is_what_the_library_measures():
    python_section = README[README.index("## Python"):README.index("## Behaviour at the edges")]
    rows = re.findall(r"\|\s*`(\w+)`\s*\|\s*([^|]*?)\s*\|\s*(\d+)\s*\|", python_section)
    assert rows == [(name, ", ".join(f"{k}={v:g}" for k, v in parameters.items()), str(length))
                    for name, parameters, length in settling.default_table()]


def python_snippets():
    """The Python examples that run on the bundled data (not those that
    need a cluster or files of the reader's)."""
    return [block for block in re.findall(r"```python\n(.*?)```", README, flags=re.S)
            if "parquet" not in block]


@pytest.mark.parametrize("index", range(len(python_snippets())))
def test_python_snippets_run_as_written(monkeypatch, index):
    monkeypatch.chdir(REPO)
    exec(compile(python_snippets()[index], f"README.md python block {index}", "exec"), {})
