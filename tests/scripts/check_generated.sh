#!/bin/sh
# Runs a generator and requires what it writes to equal the file kept in the
# source tree, so that the kept file is never edited by hand.
#   check_generated.sh GENERATOR KEPT_FILE OUTPUT
set -eu
"$1" >"$3"
cmp -s "$3" "$2" || { echo "FAIL: $2 differs from what $1 writes ($3)"; exit 1; }
echo "$2 is what $1 writes"
