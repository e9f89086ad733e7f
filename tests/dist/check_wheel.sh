#!/usr/bin/env bash
# Installs the release wheel as a user would, into a fresh virtual
# environment that sees Debian's numpy, pandas and matplotlib, offline (no
# package index), and uses it from a directory outside the source tree with
# no TSFILTERS_LIBRARY and no PYTHONPATH: the library it loads must be its
# own copy, and `tsfilters plot` must draw a chart.
#   check_wheel.sh PYTHON WHEEL VERSION CSV WORK_DIR
set -euo pipefail
python=$1 wheel=$2 version=$3 csv=$4 work=$5
rm -rf "$work"
mkdir -p "$work/run"
fail() { echo "FAIL: $*"; exit 1; }

"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index --no-cache-dir --disable-pip-version-check "$wheel"

cp "$csv" "$work/run/prices.csv"
cd "$work/run"
unset TSFILTERS_LIBRARY PYTHONPATH
export PYTHONDONTWRITEBYTECODE=1

# A flat series: the smoother keeps it, the high-pass is exactly zero.
"$work/venv/bin/python" - "$version" "$work/venv" <<'EOF' || fail "the short script"
import sys
import numpy as np
import tsfilters
from tsfilters import _library

version, venv = sys.argv[1:]
assert tsfilters.__version__ == version, tsfilters.__version__
where, path = _library.candidates()[0]
assert where == "package" and path.startswith(venv), (where, path)
flat = np.full(300, 42.5, dtype=np.float32)
assert np.array_equal(tsfilters.ultimate_smoother(flat, period=20), flat)
assert not np.any(tsfilters.high_pass(flat, period=48))
stream = _library.packaged_library("libtsfilters_stream.so")
assert stream is not None, "no stream library in the package"
import ctypes
bytes_fn = ctypes.CDLL(str(stream)).tsf_stream_bytes
bytes_fn.restype = ctypes.c_size_t
assert bytes_fn() > 0
print(f"tsfilters {version} from {path}")
EOF

"$work/venv/bin/tsfilters" plot prices.csv -o chart.png
[ "$(head -c 8 chart.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "chart.png is not a PNG"
echo "wheel installed in $work/venv; the script ran and \`tsfilters plot\` wrote chart.png"
