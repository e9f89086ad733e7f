# 64-bit Windows DLL with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
set(TSFILTERS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
