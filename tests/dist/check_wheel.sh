#!/usr/bin/env bash
# Installs the release wheel or sdist as a user would, with pip into a fresh
# virtual environment without Debian's Python packages (its dependencies
# and, for the sdist, the build backend come offline from the pinned
# wheelhouse), then, from a directory outside the source tree with no
# TSFILTERS_LIBRARY and no PYTHONPATH, checks that the library it loads is
# its own copy, that `tsfilters plot` draws a chart and that the package's
# own tests pass against it.
#   check_wheel.sh PYTHON PACKAGE VERSION CSV WORK_DIR VENV SOURCE
set -euo pipefail
python=$1 package=$2 version=$3 csv=$4 work=$5 pinned=$6 source=$7
rm -rf "$work"
mkdir -p "$work/run"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$package" ] || fail "no $package"

# The sdist builds with CMake: two jobs, as every build here.
export CMAKE_BUILD_PARALLEL_LEVEL=2
"$python" -m venv "$work/venv"
packages=(numpy pandas matplotlib pyarrow polars dask distributed pytest mypy pandas-stubs)
"$work/venv/bin/pip" install --quiet --no-index --find-links "$pinned/wheelhouse" \
  --no-cache-dir --disable-pip-version-check -c "$source/python/constraints.txt" \
  "$package" "${packages[@]}"

cp "$csv" "$work/run/prices.csv"
cd "$work/run"
unset TSFILTERS_LIBRARY TSFILTERS_STREAM_LIBRARY PYTHONPATH
export PYTHONDONTWRITEBYTECODE=1 MPLBACKEND=Agg

"$work/venv/bin/python" - "$version" "$work/venv" <<'PY' || fail "the short script"
import sys
import numpy as np
import tsfilters
from tsfilters._engine import loading as _library

version, venv = sys.argv[1:]
assert tsfilters.__version__ == version, tsfilters.__version__
for stem in ("tsfilters", "tsfilters_stream"):
    where, path = _library.candidates(stem)[0]
    assert where == "package" and path.startswith(venv), (stem, where, path)
flat = np.full(300, 42.5, dtype=np.float32)
assert np.array_equal(tsfilters.ultimate_smoother(flat, period=20), flat)
assert not np.any(tsfilters.high_pass(flat, period=48))
print(f"tsfilters {version} from {path}")
PY

"$work/venv/bin/tsfilters" plot prices.csv -o chart.png
[ "$(head -c 8 chart.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "chart.png is not a PNG"
TSFILTERS_TEST_INSTALLED=1 "$work/venv/bin/python" -m pytest -q -p no:cacheprovider -W error \
  --rootdir "$work/run" "$source/python/tests"
echo "$(basename "$package") installed in $work/venv: the script, \`tsfilters plot\` and the tests ran"
