"""The examples in help() of the filter functions and per_symbol run as
written and print what they say."""

import doctest

import pytest

import tsfilters
from tsfilters import long_tables

EXAMPLES = [tsfilters.FILTERS[name][0] for name in tsfilters.FILTERS] + [long_tables.per_symbol]


@pytest.mark.parametrize("function", EXAMPLES, ids=[f.__name__ for f in EXAMPLES])
def test_the_example_in_help_runs(function):
    if function is long_tables.per_symbol:
        pytest.importorskip("pandas")
    tests = doctest.DocTestFinder(recurse=False).find(function, globs={})
    assert tests and tests[0].examples
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    for test in tests:
        runner.run(test)
    assert runner.summarize(verbose=False).failed == 0
