"""help() of every public function and class names each of its keywords
and shows one example, which runs as written and prints what it says."""

import doctest
import importlib
import inspect

import pytest

import tsfilters
from tsfilters import dask as _dask_module  # noqa: F401  (pandas only)
from tsfilters import long_tables, settling

PUBLIC = [tsfilters.FILTERS[name][0] for name in tsfilters.FILTERS] + [
    long_tables.per_symbol, tsfilters.Stream, tsfilters.Streams, tsfilters.sweep,
    tsfilters.response, tsfilters.precision_limit, tsfilters.load, settling.settling_length,
    settling.warmup_length, settling.held_level, settling.tracking_periods,
    "tsfilters.dask.apply", "tsfilters.polars.tsf"]
# Methods name their keywords; their class shows the example.
METHODS = [tsfilters.Stream.update, tsfilters.Stream.from_bytes, tsfilters.Stream.to_bytes,
           tsfilters.Streams.update, tsfilters.Streams.peek]


def resolve(target):
    if not isinstance(target, str):
        return target
    module, name = target.rsplit(".", 1)
    needs = {"tsfilters.dask": "pandas", "tsfilters.polars": "polars"}[module]
    pytest.importorskip(needs)
    return getattr(importlib.import_module(module), name)


def keywords(target):
    signature = inspect.signature(target.__init__ if inspect.isclass(target) else target)
    return [p for p in signature.parameters if p not in ("self", "cls", "x", "row", "data")]


def name_of(target):
    return target if isinstance(target, str) else target.__qualname__


@pytest.mark.parametrize("target", PUBLIC, ids=[name_of(t) for t in PUBLIC])
def test_help_names_every_keyword_and_its_example_runs(target):
    target = resolve(target)
    doc = inspect.getdoc(target)
    assert [k for k in keywords(target) if k not in doc] == []
    if target in (long_tables.per_symbol,):
        pytest.importorskip("pandas")
    tests = doctest.DocTestFinder(recurse=False).find(target, globs={})
    assert tests and tests[0].examples, "no example"
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    for test in tests:
        runner.run(test)
    assert runner.summarize(verbose=False).failed == 0


@pytest.mark.parametrize("method", METHODS, ids=[m.__qualname__ for m in METHODS])
def test_methods_name_their_keywords(method):
    assert [k for k in keywords(method) if k not in inspect.getdoc(method)] == []
