"""The package's filters are the library's table, read from the C header."""

import inspect
import os
import re
import shutil
import subprocess

import numpy as np
import pytest
from conftest import REPO

import tsfilters
from tsfilters import _descriptions
from tsfilters._engine import filter_table as _filter_table
from tsfilters._engine.filter_table import FILTER_TABLE


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
    text = _filter_table.HEADER.read_text()
    extra = text.replace(
        "#define TSF_FILTER_TABLE(X)",
        "#define TSF_FILTER_TABLE(X) X(NewFilter, new_filter, TWO_PERIODS, 2, 6, 1, 30, 5, 0.0f, 0) ")
    table = _filter_table.parse(extra)
    assert list(table)[0] == "new_filter"
    assert table["new_filter"] == _filter_table.FilterRow(
        "NewFilter", "two_periods", 2, 6, True, {"high_pass_period": 30, "smooth_period": 5}, None)
    assert len(table) == len(FILTER_TABLE) + 1


def test_a_malformed_table_is_an_error():
    with pytest.raises(ValueError, match="no rows"):
        _filter_table.parse("#define TSF_FILTER_TABLE(X)\n")
    with pytest.raises(ValueError, match="unknown shape"):
        _filter_table.parse("X(A, a, THREE_PERIODS, 0, 4, 0, 20, 0, 0.0f, 0)")


def test_the_stream_header_numbers_each_kind_by_its_row():
    # The stream library numbers its kinds by row; the public header spells
    # the numbers out as TSF_<PYTHON_NAME>.
    header = (REPO / "include" / "tsfilters_stream.h").read_text()
    enum = header[header.index("typedef enum tsf_kind {"):header.index("} tsf_kind;")]
    numbered = {name: int(number) for name, number in re.findall(r"\bTSF_(\w+) = (\d+)", enum)}
    assert numbered == {name.upper(): row for row, name in enumerate(FILTER_TABLE, 1)}


@pytest.mark.parametrize("name", list(FILTER_TABLE))
def test_each_function_shows_its_parameters_and_the_header_s_description(name):
    function, parameters = tsfilters.FILTERS[name]
    row = FILTER_TABLE[name]
    signature = inspect.signature(function)
    assert list(signature.parameters) == ["x", *parameters, "missing", "sort", "threads",
                                         "warmup", "axis", "dim"]
    assert signature.parameters["axis"].default == 0 and "axis=-1" in function.__doc__
    assert signature.parameters["missing"].default == "error"
    assert function.__name__ == name and function.__module__ == "tsfilters._functions"
    doc = function.__doc__
    assert f"({row.c_name})." in doc and not doc.startswith("The library's")
    for key in parameters:
        assert f"  {key} " in doc, key
    assert ("100 samples" in doc) == row.rms_scaled
    # The defaults are the table's, which Stream and the command line use too.
    assert {key: signature.parameters[key].default for key in parameters} == row.defaults
    assert all(f"  {keyword} " in doc for keyword in ("missing", "sort", "threads", "warmup",
                                                      "axis", "dim"))


def test_a_description_is_read_from_the_header_comment():
    comments = _descriptions._comments("""
/* What it does,
 * on two lines.
 *  input     : [count] samples
 *  smoothPeriod : how long,
 *                 said on two lines
 *  output    : [count] slots, all written; slots 0..2 copy the input */
TSF_API void TSF_CALL NewFilter(const float* input, int32_t smoothPeriod,
                                int32_t count, float* output);""")
    row = _filter_table.FilterRow("NewFilter", "two_periods", 1, 3, False,
                                  {"high_pass_period": 30, "smooth_period": 5}, None)
    doc = _descriptions.describe("new_filter", row, comments)
    description, notes, parameters = doc.split("\n\n")
    assert description == "What it does, on two lines (NewFilter)."
    assert " ".join(notes.split()) == ("Slots 0-2 copy the input. Slot 0 is never written by "
                                       "the library, so it is NaN.")
    assert parameters == "  smooth_period : how long, said on two lines"
