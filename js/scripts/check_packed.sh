#!/bin/sh
# Packs the npm package as `npm pack` does for publishing, installs the
# tarball into an empty folder and runs there every ```js example of
# docs/javascript.md and of the README, as a user who read them would.
#
#   check_packed.sh WORKDIR
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
work=$1
rm -rf "$work"
mkdir -p "$work/consumer"
tarball=$(cd "$here" && npm pack --silent --pack-destination "$work")
echo "packed $tarball: $(tar -tzf "$work/$tarball" | tr '\n' ' ')"
cd "$work/consumer"
echo '{"name": "consumer", "private": true, "type": "module"}' >package.json
npm install --silent --no-audit --no-fund "$work/$tarball"
[ -z "$(ls node_modules | grep -v '^tsfilters$')" ] || { echo "FAIL: runtime dependencies: $(ls node_modules)"; exit 1; }
node -e '
const fs = require("fs");
const blocks = process.argv.slice(1).flatMap((file) => {
  const found = [...fs.readFileSync(file, "utf8").matchAll(/```js\n([\s\S]*?)```/g)].map((m) => m[1]);
  if (found.length === 0) throw new Error("no js examples in " + file);
  return found;
});
blocks.forEach((code, i) => fs.writeFileSync(`example${i + 1}.mjs`, code));
' "$here/../docs/javascript.md" "$here/../README.md"
for example in example*.mjs; do
  echo "== $example"
  node "$example"
done
