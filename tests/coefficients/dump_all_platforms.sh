#!/bin/sh
# Builds the coefficient dump programs for every platform, writes the dumps
# and requires all of them to equal the MPFR-derived one.
#   dump_all_platforms.sh SOURCE_DIR BUILD_ROOT
# SOURCE_DIR: the library's source tree; BUILD_ROOT: where the four build
# trees (one per configure preset) and the dumps go. Needs cmake, g++-multilib,
# qemu-i386, both MinGW-w64 cross compilers, wine64 and libmpfr-dev.
# Environment: WINE, as scripts/run-under-wine takes it.
set -eu
[ $# -eq 2 ] || { echo "usage: dump_all_platforms.sh SOURCE_DIR BUILD_ROOT" >&2; exit 2; }
src=$(cd "$1" && pwd)
mkdir -p "$2"
root=$(cd "$2" && pwd)
here=$src/tests/coefficients
dumps=$root/dumps
mkdir -p "$dumps"

# A tree of the platform's configure preset, in which only the dump
# programs are built: they compute with the library's own flags.
build() {  # build PRESET TARGET...
  tree=$root/$1
  (cd "$src" && cmake --preset "$1" -B "$tree" >/dev/null)
  shift
  cmake --build "$tree" -j2 --target "$@" >/dev/null
}
build default coefficient_dump coefficient_dump_mpfr
build linux-i686 coefficient_dump pe_coefficient_dump
build mingw-x86_64 coefficient_dump
build mingw-i686 coefficient_probe

dir=tests/coefficients
"$root/default/$dir/coefficient_dump_mpfr" "$dumps/mpfr.txt"
"$root/default/$dir/coefficient_dump" "$dumps/native.txt"
qemu-i386 -L / "$root/linux-i686/$dir/coefficient_dump" "$dumps/linux-i686.txt"
"$src/scripts/run-under-wine" "$root/mingw-x86_64/$dir/coefficient_dump.exe" "Z:$dumps/win64.txt"
for precision in 64 53; do
  qemu-i386 -L / "$root/linux-i686/$dir/pe_coefficient_dump" \
    "$root/mingw-i686/$dir/coefficient_probe.dll" "$dumps/win32-x87-$precision.txt" $precision
done

"$here/compare_dumps.sh" "$dumps/mpfr.txt" "$dumps/native.txt" "$dumps/linux-i686.txt" \
  "$dumps/win64.txt" "$dumps/win32-x87-64.txt" "$dumps/win32-x87-53.txt"
