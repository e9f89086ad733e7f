#!/usr/bin/env bash
# Installs a built tree into a scratch prefix, or unpacks the Debian package
# into a scratch root (dpkg -x, nothing installed system-wide), and proves
# the install usable: the expected files are there, a consumer project finds
# the package with find_package (and is refused the next major version), and
# a consumer compiled with nothing but pkg-config's flags builds and runs.
#   check_install.sh BUILD_DIR WORK_DIR
#   check_install.sh --deb DEB BUILD_DIR WORK_DIR
# BUILD_DIR is the configured tree (the one installed, or the one the
# package was made from): CMake, the generator, the C compiler and the
# install directories are that tree's, the version that of its sources.
set -euo pipefail
if [ "$1" = --deb ]; then deb=$2; shift 2; fi
build=$1 work=$2
setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
CMAKE=$(setting CMAKE_COMMAND) GENERATOR=$(setting CMAKE_GENERATOR) CC=$(setting CMAKE_C_COMPILER)
LIBDIR=$(setting CMAKE_INSTALL_LIBDIR) INCLUDEDIR=$(setting CMAKE_INSTALL_INCLUDEDIR)
VERSION=$(cat "$(setting CMAKE_HOME_DIRECTORY)/VERSION")
consumer=$(dirname "$0")/consumer
unset MAKEFLAGS MFLAGS MAKELEVEL  # an outer make's job server is not ours
rm -rf "$work"

fail() { echo "FAIL: $*"; exit 1; }
# A consumer prints "tsfilters <version> (<major.minor.patch>): ok".
expect_ok() { grep -Eq "^tsfilters $VERSION \([0-9.]+\): ok$" <<<"$2" || fail "$1 printed: $2"; }

if [ -n "${deb:-}" ]; then
  # The package's paths are for /usr: pkg-config prefixes them with the root.
  mkdir -p "$work"
  dpkg-deb -x "$deb" "$work/root"
  prefix=$work/root/usr
  export PKG_CONFIG_SYSROOT_DIR=$work/root
else
  prefix=$work/prefix
  "$CMAKE" --install "$build" --prefix "$prefix" >/dev/null
fi

major=${VERSION%%.*}
for file in "$INCLUDEDIR"/tsfilters.h "$INCLUDEDIR"/tsfilters_version.h \
    "$INCLUDEDIR"/tsfilters_stream.h "$INCLUDEDIR"/tsfilters_stream.hpp \
    "$LIBDIR"/libtsfilters.so "$LIBDIR"/libtsfilters.so."$major" \
    "$LIBDIR"/libtsfilters.so."$VERSION" \
    "$LIBDIR"/libtsfilters_stream.so "$LIBDIR"/libtsfilters_stream.so."$major" \
    "$LIBDIR"/libtsfilters_stream.so."$VERSION" \
    "$LIBDIR"/cmake/tsfilters/tsfiltersConfig.cmake \
    "$LIBDIR"/cmake/tsfilters/tsfiltersConfigVersion.cmake \
    "$LIBDIR"/cmake/tsfilters/tsfiltersTargets.cmake \
    "$LIBDIR"/pkgconfig/tsfilters.pc; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done

# find_package: the version asked for, and one from the next major version.
configure() {
  "$CMAKE" -S "$consumer" -B "$1" -G "$GENERATOR" -DCMAKE_C_COMPILER="$CC" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release -DTSFILTERS_VERSION="$2"
}
configure "$work/cmake" "${VERSION%.*}" >/dev/null
"$CMAKE" --build "$work/cmake" >/dev/null
expect_ok "the find_package consumer" "$("$work/cmake/consumer")"
if configure "$work/cmake-next" "$((major + 1)).0" >/dev/null 2>&1; then
  fail "find_package(tsfilters $((major + 1)).0) accepted version $VERSION"
fi

# pkg-config: nothing but the flags it gives.
export PKG_CONFIG_PATH=$prefix/$LIBDIR/pkgconfig
pc_version=$(pkg-config --modversion tsfilters)
[ "$pc_version" = "$VERSION" ] || fail "tsfilters.pc says version $pc_version, the project $VERSION"
flags=$(pkg-config --cflags --libs tsfilters)
mkdir -p "$work/pkg-config"
# shellcheck disable=SC2086  # the flags are words
"$CC" -std=c11 "$consumer/consumer.c" $flags -o "$work/pkg-config/consumer"
expect_ok "the pkg-config consumer" \
  "$(LD_LIBRARY_PATH=$prefix/$LIBDIR "$work/pkg-config/consumer")"

echo "installed into $prefix; find_package and pkg-config consumers ran ($flags)"
