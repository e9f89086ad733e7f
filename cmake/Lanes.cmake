# tsfilters_lanes(<target>): tsf_lanes_update, one kernel file per instruction
# set compiled for it alone (only its run() leaves it, so the rest runs on any
# processor) and simd_target.cpp's run-time choice. Sets TSFILTERS_LANE_SETS.
# A set named in TSFILTERS_SKIP_LANE_SETS is left out, as if the compiler
# lacked it (tests/mutation drops those the processor cannot run).
set(TSFILTERS_SKIP_LANE_SETS "" CACHE STRING "lane kernel instruction sets not to build (sse2, avx2, avx512, neon)")
# `rows` compiles the vector kernels for row-major tables only (lane stride 1
# in and out, what the JavaScript package passes), every other layout going
# element by element: the same bits in a module a third of the size. The
# wasm preset sets it; native builds keep a kernel for every layout.
set(TSFILTERS_LANE_LAYOUTS "all" CACHE STRING "layouts with vector kernels of their own: all, or rows (row-major tables only)")
set_property(CACHE TSFILTERS_LANE_LAYOUTS PROPERTY STRINGS all rows)
if(NOT TSFILTERS_LANE_LAYOUTS MATCHES "^(all|rows)$")
  message(FATAL_ERROR "TSFILTERS_LANE_LAYOUTS is '${TSFILTERS_LANE_LAYOUTS}': all or rows")
endif()
function(tsfilters_lanes target)
  set(here ${PROJECT_SOURCE_DIR}/src/stream)
  target_sources(${target} PRIVATE ${here}/lanes_api.cpp ${here}/simd_target.cpp ${here}/book_api.cpp)
  # The sets this processor can have, each compiled with flags_<set>. A
  # processor with none of them runs the lanes on the scalar steps alone.
  set(sets "")
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
     AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86|x86)$")
    set(sets sse2)
    set(flags_sse2 -msse2)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      list(APPEND sets avx2 avx512)
      set(flags_avx2 -mavx2)
      # -mavx512vl brings AVX-512F with it: the kernels use both.
      set(flags_avx512 -mavx512vl)
    endif()
  elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
         AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
    # Advanced SIMD belongs to the 64-bit ARM base architecture: every
    # such processor has it, and the compiler needs no flag for it.
    set(sets neon)
  elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
    set(sets simd128)
    set(flags_simd128 -msimd128)
  endif()
  foreach(set IN LISTS sets)
    set(options ${flags_${set}})
    if(set IN_LIST TSFILTERS_SKIP_LANE_SETS)
      continue()
    endif()
    if(TSFILTERS_LANE_LAYOUTS STREQUAL "rows")
      list(APPEND options -DTSF_LANES_ROW_TABLES_ONLY)
    endif()
    string(TOUPPER ${set} SET)
    target_compile_definitions(${target} PRIVATE TSFILTERS_LANES_${SET})
    target_sources(${target} PRIVATE ${here}/lanes_${set}.cpp ${here}/book_${set}.cpp)
    if(MINGW)
      # Windows only promises 16-byte stack alignment, and GCC does not
      # realign for wider vectors: every vector move stays unaligned.
      list(APPEND options -Wa,-muse-unaligned-vector-move)
    endif()
    if(TSFILTERS_SANITIZE OR TSFILTERS_BUILD_FUZZ)
      # Instrumented, the inlined kernels take minutes at -O2 (clang's UBSan
      # nine for the AVX-512 file, which the GCC sanitizer tree checks
      # instead); -O1 checks the same code and changes no result.
      list(APPEND options -O1 $<$<BOOL:${TSFILTERS_BUILD_FUZZ}>:-fno-sanitize=undefined>)
    endif()
    set_source_files_properties(${here}/lanes_${set}.cpp ${here}/book_${set}.cpp PROPERTIES COMPILE_OPTIONS "${options}")
  endforeach()
  list(REMOVE_ITEM sets ${TSFILTERS_SKIP_LANE_SETS})
  set(TSFILTERS_LANE_SETS "${sets}" CACHE INTERNAL "the lane kernels' instruction sets")
endfunction()
