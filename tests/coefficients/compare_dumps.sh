#!/bin/sh
# Requires every coefficient dump named to be identical to the first.
#   compare_dumps.sh EXPECTED DUMP...
# Prints the first differing line of each dump that differs; exits 1 then.
set -u
[ $# -ge 2 ] || { echo "usage: compare_dumps.sh EXPECTED DUMP..." >&2; exit 2; }
expected=$1
shift
lines=$(wc -l < "$expected") || exit 2
status=0
for dump in "$@"; do
  if cmp -s "$expected" "$dump"; then
    echo "same: $dump ($lines periods)"
  else
    status=1
    echo "DIFFERENT: $dump"
    diff "$expected" "$dump" | head -n 6
  fi
done
exit $status
