"""The package's filters are the library's table, read from the C header."""

import os
import shutil
import subprocess

import pytest

import tsfilters
from tsfilters import _filter_table
from tsfilters._filter_table import FILTER_TABLE


def test_every_row_is_a_function_of_the_library_and_of_the_package():
    library = tsfilters.load()
    assert set(library) == {row.c_name for row in FILTER_TABLE.values()}
    for name, row in FILTER_TABLE.items():
        function, parameters = tsfilters.FILTERS[name]
        assert function is getattr(tsfilters, name)
        assert set(row.defaults) == set(parameters)
    assert list(tsfilters.FILTERS) == list(FILTER_TABLE)


def test_the_library_exports_exactly_the_rows():
    nm, path = shutil.which("nm"), os.environ.get(tsfilters.ENV_VARIABLE)
    if nm is None or path is None:
        pytest.skip(f"needs nm and ${tsfilters.ENV_VARIABLE}")
    exported = subprocess.run([nm, "-D", "--defined-only", "--format=just-symbols", path],
                              check=True, capture_output=True, text=True).stdout.split()
    assert sorted(exported) == sorted(row.c_name for row in FILTER_TABLE.values())


def test_a_new_row_needs_nothing_but_the_row():
    text = (_filter_table.Path(_filter_table.__file__).with_name("filter_table.h")).read_text()
    extra = text.replace(
        "#define TSF_FILTER_TABLE(X)",
        "#define TSF_FILTER_TABLE(X) X(NewFilter, new_filter, TWO_PERIODS, 2, 6, 1, 30, 5, 0.0f) ")
    table = _filter_table.parse(extra)
    assert list(table)[0] == "new_filter"
    assert table["new_filter"] == _filter_table.FilterRow(
        "NewFilter", "two_periods", 2, 6, True, {"high_pass_period": 30, "smooth_period": 5})
    assert len(table) == len(FILTER_TABLE) + 1


def test_a_malformed_table_is_an_error():
    with pytest.raises(ValueError, match="no rows"):
        _filter_table.parse("#define TSF_FILTER_TABLE(X)\n")
    with pytest.raises(ValueError, match="unknown shape"):
        _filter_table.parse("X(A, a, THREE_PERIODS, 0, 4, 0, 20, 0, 0.0f)")
