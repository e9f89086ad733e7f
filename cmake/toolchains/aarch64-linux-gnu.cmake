# 64-bit ARM Linux from an x86-64 Debian machine: clang 19 and lld 19
# (Debian: clang-19, lld-19) against Debian's arm64 C and C++ libraries
# (libc6-dev-arm64-cross, libstdc++-12-dev-arm64-cross), which clang finds
# in /usr/aarch64-linux-gnu and /usr/lib/gcc-cross. Linked --as-needed, as
# Debian's GCC links, so that the libraries depend on the C library alone.
# Programs run under qemu-aarch64 (Debian: qemu-user) with that directory as
# the root of their loader and libraries; LLVM's nm and objdump (Debian:
# llvm) read the ARM binaries. The linux-aarch64 preset and the aarch64
# wheel (scripts/dist) both build with this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -Wl,--as-needed")
endforeach()
set(CMAKE_NM /usr/bin/llvm-nm CACHE FILEPATH "nm for ARM binaries")
set(CMAKE_OBJDUMP /usr/bin/llvm-objdump CACHE FILEPATH "objdump for ARM binaries")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64 -L /usr/aarch64-linux-gnu)
