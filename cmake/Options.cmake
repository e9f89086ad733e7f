# Every option of the build, in one place. The configure presets and
# scripts/verify set them per tree.

# What to build beside the library; a project that adds this one as a
# subdirectory gets the library alone.
option(TSFILTERS_BUILD_TESTS "Build the tests and register them with ctest" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_UNIT_TESTS
       "Build the GoogleTest programs too (off where no GoogleTest runs: Windows)" ON)
option(TSFILTERS_BUILD_EXAMPLES "Build the example host" ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_BENCHMARKS "Build the benchmarks (if Google Benchmark is found)"
       ${PROJECT_IS_TOP_LEVEL})
option(TSFILTERS_BUILD_DIST_TESTS
       "Register the tests of the release packages that scripts/dist writes to TSFILTERS_DIST_DIR" OFF)
set(TSFILTERS_DIST_DIR ${PROJECT_SOURCE_DIR}/dist CACHE PATH "Where scripts/dist puts the release packages")
option(TSFILTERS_BUILD_FUZZ "Build the libFuzzer harness and its timed run (clang only)" OFF)

# Hardening.
set(TSFILTERS_SANITIZE "" CACHE STRING
    "Comma-separated -fsanitize= list for every target, e.g. address,undefined")
set(TSFILTERS_FUZZ_SECONDS 60 CACHE STRING "How long the fuzz test runs the fuzzer")

# Tools and inputs of the tests.
set(TSFILTERS_GOOGLETEST_SOURCE "" CACHE PATH
    "Build GoogleTest from these sources (e.g. /usr/src/googletest) instead of finding it")
set(TSFILTERS_REFERENCE_DUMP "" CACHE FILEPATH
    "output_dump.txt of another build that this tree's dump must equal byte for byte")
set(TSFILTERS_REFERENCE_STREAM_STATES "" CACHE FILEPATH
    "stream_states.txt saved by another build, whose stream_outputs.txt beside it this tree's continuation must equal")
# Debian's interpreter, named explicitly: it is the one that sees Debian's
# python3-numpy, python3-pandas, python3-matplotlib and python3-pytest.
set(TSFILTERS_PYTHON /usr/bin/python3 CACHE FILEPATH
    "Python 3 that runs the check scripts and the Python package's tests")
