#!/usr/bin/env bash
# The 64-bit ARM wheel as it runs on an ARM machine: unpacked beside numpy's,
# pandas' and pytest's aarch64 wheels and run by Debian's arm64 CPython under
# qemu-aarch64 (scripts/aarch64-python fetches them into ENV_DIR once), it
# must compute what the x86-64 wheel computes, byte for byte
# (python_bits.py: every function, streams with peeks and saved bytes, the
# lanes), and pass the Python tests that check values. The tests that start
# the command line, draw charts or run other programs need a native
# interpreter, matplotlib or the C hosts and are left to the x86-64 run.
#   check_wheel_aarch64.sh ARM_WHEEL X86_WHEEL PYTHON ENV_DIR WORK_DIR SOURCE
set -euo pipefail
arm=$1 x86=$2 python=$3 env=$4 work=$5 source=$6
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$arm" ] || fail "no aarch64 wheel"
[ -f "$x86" ] || fail "no x86-64 wheel"
"$python" "$source/scripts/aarch64-python" "$env"
rm -rf "$work"
mkdir -p "$work/arm" "$work/x86" "$work/run"
(cd "$work/arm" && unzip -q "$arm")
(cd "$work/x86" && unzip -q "$x86")
unset TSFILTERS_LIBRARY TSFILTERS_STREAM_LIBRARY TSFILTERS_STREAM_CONTINUATION TSFILTERS_HOST_DEMO
export PYTHONDONTWRITEBYTECODE=1
arm_python=(qemu-aarch64 -L "$env/root" "$env/root/usr/bin/python3.11")
cd "$work/run"

PYTHONPATH=$work/x86 "$python" "$source/tests/dist/python_bits.py" x86.txt
PYTHONPATH=$work/arm:$env/site "${arm_python[@]}" - <<'PY' || fail "the package does not load its ARM libraries"
from tsfilters._engine import stream_library as _stream_library
target = _stream_library.functions().simd_target().decode()
assert target == "neon", target
PY
PYTHONPATH=$work/arm:$env/site "${arm_python[@]}" "$source/tests/dist/python_bits.py" arm.txt
cmp x86.txt arm.txt || fail "aarch64 computes other bits than x86-64 (diff $work/run/x86.txt arm.txt)"

tests=$source/python/tests
PYTHONPATH=$work/arm:$env/site TSFILTERS_TEST_INSTALLED=1 "${arm_python[@]}" -m pytest -q -p no:cacheprovider \
  -W error --rootdir "$work/run" -k "not simd_target and not continue_in" \
  "$tests"/test_{shapes_and_types,infinities,missing_values,unwritten_slots,stream_edges,streams}.py \
  "$tests"/test_{live_streams,warmup_and_axes,settling_edges,filter_table,not_prices,argument_errors}.py \
  "$tests"/test_{wide_and_sweeps,labels_and_types}.py
echo "$(basename "$arm"): the same bits as $(basename "$x86") under qemu-aarch64, and the value tests pass"
