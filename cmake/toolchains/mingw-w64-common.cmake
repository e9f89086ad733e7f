# Shared part of the two MinGW-w64 cross toolchains. The including file sets
# TSFILTERS_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TSFILTERS_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TSFILTERS_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${TSFILTERS_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TSFILTERS_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for PE files")

# Headers and libraries come from the MinGW sysroot only; programs (cmake,
# the build tool) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TSFILTERS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
