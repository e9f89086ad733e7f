# Reads the shared library's dynamic symbol table: exactly the seven
# filters are defined (or the names in EXPECTED, a ;-list), and nothing
# that allocates is imported, which proves that no code path can reach the
# heap.
#   cmake -DNM=nm -DLIBRARY=libtsfilters.so [-DEXPECTED=a;b] -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${LIBRARY}
                OUTPUT_VARIABLE defined RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX REPLACE "\n$" "" defined "${defined}")
string(REPLACE "\n" ";" defined "${defined}")
list(SORT defined)
set(expected BandPass CyberneticOscillator HighPass LaguerreFilter LaguerreOscillator
             SuperSmoother UltimateSmoother)
if(DEFINED EXPECTED)
  set(expected ${EXPECTED})
  list(SORT expected)
endif()
if(NOT defined STREQUAL expected)
  message(FATAL_ERROR "exported: ${defined}\nexpected: ${expected}")
endif()

execute_process(COMMAND ${NM} -D --undefined-only --format=just-symbols ${LIBRARY}
                OUTPUT_VARIABLE imported)
string(REGEX MATCHALL "[^\n]*(malloc|calloc|realloc|_Znw|_Zna|aligned_alloc|posix_memalign)[^\n]*"
       allocators "${imported}")
if(allocators)
  message(FATAL_ERROR "the library imports allocators: ${allocators}")
endif()
string(REPLACE "\n" " " imported "${imported}")
message(STATUS "exports: ${defined}; imports: ${imported}")
