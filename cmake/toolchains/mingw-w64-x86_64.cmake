# 64-bit Windows DLL with MinGW-w64 (Debian: g++-mingw-w64-x86-64). Programs
# of this tree, ctest's included, run under Wine (Debian: wine, wine64).
set(TSFILTERS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Debian's wine64 package installs the loader outside PATH.
find_program(TSFILTERS_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine
             /opt/wine-stable/bin REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine ${TSFILTERS_WINE})
