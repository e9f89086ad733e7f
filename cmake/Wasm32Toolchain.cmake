# WebAssembly (wasm32) with Debian's clang and lld (clang-19, lld-19) over
# Debian's WASI C library (wasi-libc) and libc++ headers
# (libc++-19-dev-wasm32). The module does no input or output: the few WASI
# calls the C library keeps (the environment, exit) are answered by the
# JavaScript that loads it (js/src/module.js).
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(triple wasm32-wasi)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
# Debian lays the WASI headers and libraries out as another architecture
# (/usr/include/wasm32-wasi, /usr/lib/wasm32-wasi): the compiler finds them.
# Compiler checks link a program with no entry point of its own.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
