# 32-bit Windows DLL with MinGW-w64 (Debian: g++-mingw-w64-i686).
# cmake/FloatingPoint.cmake adds -msse2 -mfpmath=sse for this target: the
# x87's extended precision would change results.
set(TSFILTERS_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
