#!/bin/sh
# Builds the coefficient dump programs for every platform, writes the dumps
# and requires all of them to equal the MPFR-derived one.
#   dump_all_platforms.sh SOURCE_DIR BUILD_ROOT
# SOURCE_DIR: the library's source tree; BUILD_ROOT: where the four build
# trees, the Wine prefix and the dumps go. Needs cmake, g++-multilib,
# qemu-i386, both MinGW-w64 cross compilers, wine64 and libmpfr-dev.
# Environment: WINE (default: wine64 from PATH or /usr/lib/wine/wine64).
set -eu
[ $# -eq 2 ] || { echo "usage: dump_all_platforms.sh SOURCE_DIR BUILD_ROOT" >&2; exit 2; }
src=$(cd "$1" && pwd)
mkdir -p "$2"
root=$(cd "$2" && pwd)
here=$src/tests/coefficients
dumps=$root/dumps
mkdir -p "$dumps"
wine=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}

build() {  # build NAME [TOOLCHAIN]
  set -- "$1" ${2:+--toolchain "$src/cmake/toolchains/$2.cmake"}
  tree=$root/$1
  shift
  cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DTSFILTERS_SOURCE_DIR="$src" "$@" >/dev/null
  cmake --build "$tree" -j2 >/dev/null
}

build native
build linux-i686 linux-i686
build mingw-x86_64 mingw-w64-x86_64
build mingw-i686 mingw-w64-i686

"$root/native/coefficient_dump_mpfr" "$dumps/mpfr.txt"
"$root/native/coefficient_dump" "$dumps/native.txt"
qemu-i386 -L / "$root/linux-i686/coefficient_dump" "$dumps/linux-i686.txt"
WINEPREFIX=$root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= \
  "$wine" "$root/mingw-x86_64/coefficient_dump.exe" "Z:$dumps/win64.txt" </dev/null
for precision in 64 53; do
  qemu-i386 -L / "$root/linux-i686/pe_coefficient_dump" \
    "$root/mingw-i686/coefficient_probe.dll" "$dumps/win32-x87-$precision.txt" $precision
done

"$here/compare_dumps.sh" "$dumps/mpfr.txt" "$dumps/native.txt" "$dumps/linux-i686.txt" \
  "$dumps/win64.txt" "$dumps/win32-x87-64.txt" "$dumps/win32-x87-53.txt"
