#!/usr/bin/env bash
# One test of the release packages that scripts/dist wrote, as a user gets
# them; the export names come from the build, as in the other trees.
#   check_package.sh TEST DIST_DIR BUILD_DIR WORK_DIR
# DIST_DIR holds the packages, BUILD_DIR is the `dist` tree they were made
# from, WORK_DIR a scratch directory for this test alone.
set -euo pipefail
test=$1 dist=$2 build=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
version=$(cat "$source/VERSION")
python=$(sed -n 's/^TSFILTERS_PYTHON:[A-Z]*=//p' "$build/CMakeCache.txt")
csv=$source/data/wti_daily.csv
zip=$dist/tsfilters-$version-${test:0:5}.zip        # for the win64_ and win32_ tests
bits=${test:3:2}
deb=$dist/tsfilters_${version}_$(dpkg --print-architecture).deb
wine=$source/scripts/run-under-wine
# The Python packages: the repaired wheel, and the pinned PyPI environment
# scripts/dist made beside the trees (auditwheel, and the wheelhouse).
wheel=$(ls "$dist"/tsfilters-"$version"-py3-none-manylinux*_"$(uname -m)".whl 2>/dev/null | head -n 1 || true)
arm_wheel=$(ls "$dist"/tsfilters-"$version"-py3-none-manylinux*_aarch64.whl 2>/dev/null | head -n 1 || true)
venv=$(dirname "$build")/python-venv

case $test in
  checksums_cover_every_file)  # every file is listed in SHA256SUMS, with its checksum
    cd "$dist"
    sha256sum --quiet -c SHA256SUMS
    test "$(ls | grep -vx SHA256SUMS | LC_ALL=C sort)" = "$(cut -c 67- SHA256SUMS | LC_ALL=C sort)" ;;
  install_page_names_every_package)  # docs/install.md, where the README sends a newcomer, names this release's files
    cd "$dist"
    for file in *; do
      [ "$file" = SHA256SUMS ] || grep -qF "$file" "$source/docs/install.md" ||
        { echo "docs/install.md: no $file"; exit 1; }
    done ;;
  win64_zip_files_and_tables | win32_zip_files_and_tables)
    case $bits in 64) triple=x86_64-w64-mingw32 ;; 32) triple=i686-w64-mingw32 ;; esac
    "$python" "$here/check_windows_zip.py" --objdump "$triple-objdump" --nm "$triple-nm" \
      --version "$version" --bits "$bits" --names "$build/export_names.txt" \
      --stream-names "$build/src/stream/export_names.txt" "$zip" "$work" ;;
  win64_example_host_runs_under_wine)  # the host prints the table's last row
    "$here/run_windows_host.sh" "$wine" "$zip" "$csv" "$work" | tee "$work.out"
    grep -Eq "2026-08-18 +86\.4800" "$work.out" ;;
  win64_msvc_import_library_links_and_runs)
    "$here/check_msvc_link.sh" clang lld-link "$zip" 64 "$work" "$wine" ;;
  win32_msvc_import_library_links)
    "$here/check_msvc_link.sh" clang lld-link "$zip" 32 "$work" ;;
  deb_lintian_finds_no_errors)
    lintian --fail-on error "$deb" ;;
  deb_consumer_builds_with_find_package_and_pkg_config)
    "$source/tests/install/check_install.sh" --deb "$deb" "$build" "$work" ;;
  wheel_is_manylinux_and_needs_nothing_outside_it)  # auditwheel's verdict on the repaired wheel
    "$venv/bin/auditwheel" show "$wheel" | tee "$work.out"
    grep -q "consistent with the following platform tag: \"manylinux_2_5_$(uname -m)\"" "$work.out"
    grep -q "requires no external shared libraries" "$work.out" ;;
  wheel_aarch64_is_manylinux_and_needs_nothing_outside_it)
    # auditwheel wraps its lines, here inside the sentence that names the tag.
    "$venv/bin/auditwheel" show "$arm_wheel" | tee "$work.out"
    tr -s ' \n' '  ' <"$work.out" | grep -q 'consistent with the following platform tag: "manylinux_2_17_aarch64"'
    grep -q "requires no external shared libraries" "$work.out" ;;
  wheel_aarch64_gives_the_x86_64_bits_under_qemu)
    "$here/check_wheel_aarch64.sh" "$arm_wheel" "$wheel" "$venv/bin/python" \
      "$(dirname "$build")/aarch64-python" "$work" "$source" ;;
  wheel_installs_and_passes_the_tests_in_a_fresh_venv)
    "$here/check_wheel.sh" "$python" "$wheel" "$version" "$csv" "$work" "$venv" "$source" ;;
  sdist_builds_and_passes_the_tests_in_a_fresh_venv)
    "$here/check_wheel.sh" "$python" "$dist/tsfilters-$version.tar.gz" "$version" "$csv" "$work" \
      "$venv" "$source" ;;
  editable_install_runs_the_checkout_with_its_own_build)  # pip install -e .
    rm -rf "$work" && /usr/bin/python3 -m venv "$work"
    CMAKE_BUILD_PARALLEL_LEVEL=2 "$work/bin/pip" install --quiet --no-index --find-links \
      "$venv/wheelhouse" -c "$source/python/constraints.txt" numpy -e "$source"
    cd "$work" && env -u TSFILTERS_LIBRARY -u TSFILTERS_STREAM_LIBRARY -u PYTHONPATH \
      "$work/bin/python" - "$source" "$work" <<'PY'
import sys
import numpy as np
import tsfilters
from tsfilters._engine import loading as _library
source, venv = sys.argv[1:]
assert tsfilters.__file__.startswith(f"{source}/python/tsfilters/"), tsfilters.__file__
for stem in ("tsfilters", "tsfilters_stream"):
    where, path = _library.candidates(stem)[0]
    assert where == "package" and path.startswith(venv), (stem, where, path)
assert tsfilters.Streams("super_smoother", 2, period=10).update(np.ones((3, 2))).shape == (3, 2)
print("modules from", tsfilters.__file__, "libraries from", path)
PY
    ;;
  *) echo "check_package.sh: no test $test" >&2; exit 2 ;;
esac
