# Every option of the build, in one place. The configure presets and
# scripts/verify set them per tree; a project that adds this one as a
# subdirectory gets the libraries alone.
option(TSFILTERS_BUILD_TESTS "Build the tests and register them with ctest" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_UNIT_TESTS
       "Build the GoogleTest programs too (off where no GoogleTest runs: Windows)" ON)
option(TSFILTERS_BUILD_EXAMPLES "Build the example hosts" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_BENCHMARKS "Build the benchmarks (if Google Benchmark is found)"
       ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_FUZZ "Build the libFuzzer harnesses and their timed runs (clang only)" OFF)
set(TSFILTERS_TEST_DIST "" CACHE PATH
    "Register the tests of the release packages that scripts/dist wrote to this directory")

# Hardening.
set(TSFILTERS_SANITIZE "" CACHE STRING
    "Comma-separated -fsanitize= list for every target, e.g. address,undefined")
set(TSFILTERS_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz test runs its fuzzer")

# Tools and inputs of the tests.
set(TSFILTERS_GOOGLETEST_SOURCE "" CACHE PATH
    "Build GoogleTest from these sources (e.g. /usr/src/googletest) instead of finding it")
set(TSFILTERS_REFERENCE_TREE "" CACHE PATH
    "Another build's tree, whose output dump and continued stream states this tree's must equal")
# Debian's interpreter, named explicitly: it is the one that sees Debian's
# python3-numpy, python3-pandas, python3-matplotlib and python3-pytest.
set(TSFILTERS_PYTHON /usr/bin/python3 CACHE FILEPATH
    "Python 3 that runs the check scripts and the Python package's tests")
