# Every option of the build; as a subdirectory, this project builds the libraries alone.
option(TSFILTERS_BUILD_TESTS "Build and register the tests" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_UNIT_TESTS "Build the GoogleTest programs too (not on Windows)" ON)
option(TSFILTERS_BUILD_EXAMPLES "Build the example hosts" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_BENCHMARKS "Build the benchmarks (with Google Benchmark)" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_FUZZ "Build the libFuzzer harnesses and their timed runs (clang only)" OFF)
set(TSFILTERS_TEST_DIST "" CACHE PATH "Test the release packages scripts/dist wrote to this directory")
set(TSFILTERS_SANITIZE "" CACHE STRING "Comma-separated -fsanitize= list, e.g. address,undefined")
set(TSFILTERS_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz test runs its fuzzer")
set(TSFILTERS_GOOGLETEST_SOURCE "" CACHE PATH "GoogleTest sources to build instead of finding it")
set(TSFILTERS_REFERENCE_TREE "" CACHE PATH
    "Another build's tree, whose output dump and continued stream states this tree's must equal")
# Debian's own interpreter: the one that sees Debian's Python packages.
set(TSFILTERS_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 for the check scripts and the Python tests")
