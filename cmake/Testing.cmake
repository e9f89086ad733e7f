if(TSFILTERS_BUILD_UNIT_TESTS)
  if(TSFILTERS_GOOGLETEST_SOURCE)
    # For targets the packaged GoogleTest libraries do not fit (32-bit x86).
    add_subdirectory(${TSFILTERS_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
  find_package(Threads REQUIRED)
  include(GoogleTest)
  add_custom_target(unit_tests)  # what `make check` builds
endif()

# unit_test(<target> <source> [LIBRARIES <library>...] [SIMD_SETS <set>...])
# GoogleTest programs, label `unit`; run once per SIMD set TSFILTERS_SIMD
# forces. A folder whose LABELS property names a part of the library (math,
# stream, lanes) gives its tests that label too, and target unit_tests_<label>
# builds them, so that one part can be checked alone (tests/mutation).
function(unit_test target source)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "LIBRARIES;SIMD_SETS")
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} tsfilters_test_support
                                          GTest::gtest_main Threads::Threads)
  if(TSFILTERS_SANITIZE)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
  endif()
  foreach(set IN LISTS arg_SIMD_SETS)
    gtest_discover_tests(${target} TEST_PREFIX "${set}." DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "TSFILTERS_SIMD=${set}" LABELS unit)
  endforeach()
  if(NOT arg_SIMD_SETS)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
  endif()
  add_dependencies(unit_tests ${target})
  get_property(part DIRECTORY PROPERTY LABELS)
  if(part)
    unit_part_needs(${part} ${target})
  endif()
endfunction()

# unit_part_needs(<label> <target>...): what unit_tests_<label> builds.
function(unit_part_needs part)
  if(NOT TARGET unit_tests_${part})
    add_custom_target(unit_tests_${part})
  endif()
  add_dependencies(unit_tests_${part} ${ARGN})
endfunction()

# binary_checks(<library target> <test name prefix> <export names file> [CDECL_SSE2])
# Exactly the listed exports, no allocator imported (CDECL_SSE2: 32-bit DLLs
# return cdecl and use SSE2), no fused multiply-add in the code, fixed stack
# frames; not sanitized builds.
function(binary_checks target prefix names)
  set(check ${TSFILTERS_PYTHON} ${PROJECT_SOURCE_DIR}/tests/scripts)
  set(library --names ${names} $<TARGET_FILE:${target}>)
  set(dll_check ${check}/check_dll.py --objdump ${CMAKE_OBJDUMP} ${library})
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND "CDECL_SSE2" IN_LIST ARGN)
    add_test(NAME ${prefix}exports.dll_tables_cdecl_sse2 COMMAND ${dll_check} --cdecl-sse2)
  elseif(WIN32)
    add_test(NAME ${prefix}exports.dll_tables COMMAND ${dll_check})
  elseif(NOT TSFILTERS_SANITIZE)
    add_test(NAME ${prefix}exports.only_the_listed_names_and_no_allocator
             COMMAND ${check}/check_exports.py --nm ${CMAKE_NM} ${library})
  endif()
  if(CMAKE_OBJDUMP AND NOT TSFILTERS_SANITIZE)
    add_test(NAME ${prefix}code.no_fused_multiply_add
             COMMAND ${check}/check_no_fused.py --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}>)
  endif()
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT TSFILTERS_SANITIZE)
    get_target_property(objects ${target} BINARY_DIR)
    add_test(NAME ${prefix}stack.fixed_frames
             COMMAND ${check}/check_stack_usage.py ${objects}/CMakeFiles/${target}.dir)
  endif()
endfunction()
