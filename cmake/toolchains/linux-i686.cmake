# 32-bit x86 Linux with the host GCC in -m32 mode (Debian: g++-multilib).
# Programs run under qemu-i386 (Debian: qemu-user), so that tests and test
# discovery work the same whether or not the kernel runs 32-bit programs.
# Debian's libgtest-dev holds 64-bit libraries only: configure this tree with
# TSFILTERS_GOOGLETEST_SOURCE=/usr/src/googletest (package googletest), as the
# linux-i686 preset does.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE2 arithmetic everywhere, tests and their reference included: the x87's
# extended precision would change results. (cmake/FloatingPoint.cmake adds
# the same flags to the library for any 32-bit x86 target.)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

find_program(TSFILTERS_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TSFILTERS_QEMU_I386})
