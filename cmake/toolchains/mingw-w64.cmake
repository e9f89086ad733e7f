# Windows DLLs cross-built with MinGW-w64 (Debian: g++-mingw-w64-x86-64,
# g++-mingw-w64-i686). The preset names the target as CMAKE_SYSTEM_PROCESSOR,
# x86_64 or i686; 32-bit x86 gets SSE2 arithmetic from FloatingPoint.cmake.
# 64-bit programs, ctest's included, run under Wine (Debian: wine, wine64).
set(CMAKE_SYSTEM_NAME Windows)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CMAKE_SYSTEM_PROCESSOR)
set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_OBJDUMP ${triple}-objdump CACHE FILEPATH "objdump for PE files")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine)
endif()

# Headers and libraries come from the MinGW sysroot only; programs (cmake,
# the build tool) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
