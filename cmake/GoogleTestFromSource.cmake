# Builds GoogleTest from the sources Debian ships in /usr/src/googletest
# (package googletest) and answers the tests' find_package(GTest) with that
# build. Used by trees whose ABI the packaged libraries do not match, such as
# 32-bit x86. Nothing is downloaded.
include(FetchContent)

set(TSFILTERS_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${TSFILTERS_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${TSFILTERS_GOOGLETEST_SOURCE} "
                      "(Debian: apt-get install googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
FetchContent_Declare(GTest SOURCE_DIR ${TSFILTERS_GOOGLETEST_SOURCE} OVERRIDE_FIND_PACKAGE)
FetchContent_MakeAvailable(GTest)
