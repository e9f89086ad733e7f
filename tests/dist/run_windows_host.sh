#!/bin/sh
# Unpacks a Windows zip and runs its example host on its own DLL under Wine,
# from the zip's bin folder, as a user would after unpacking it.
#   run_windows_host.sh RUN_UNDER_WINE ZIP CSV WORK_DIR
set -eu
run_under_wine=$1 zip=$2 csv=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
cd "$work"
unzip -q "$zip"
cd tsfilters-*/bin
exec "$run_under_wine" ./host_demo.exe tsfilters.dll "$csv" 5
