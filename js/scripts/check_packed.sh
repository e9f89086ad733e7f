#!/bin/sh
# Packs the npm package as `npm pack` does for publishing (its prepack
# builds the CommonJS and lean entries), installs the
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
# require() from CommonJS gives the ES module's bits (Node 20 cannot
# require an ES module: the package carries a CommonJS entry).
cat >required.cjs <<'JS'
const tsf = require('tsfilters');
const x = Float32Array.from({ length: 300 }, (_, i) => 100 + Math.sin(i / 7) * 5);
import('tsfilters').then((esm) => {
  for (const name of tsf.filterNames) {
    const a = new Uint32Array(tsf[name](x).buffer), b = new Uint32Array(esm[name](x).buffer);
    if (a.length !== b.length || a.some((v, i) => v !== b[i])) throw new Error(`require and import differ: ${name}`);
  }
  const s = new tsf.Stream('laguerreFilter');
  s.update(x);
  console.log(`require('tsfilters'): the seven functions give the import's bits; a stream at ${s.samples} samples`);
});
JS
node required.cjs
# The lean entry: its module is the .wasm beside it in the package, read
# by init(), and it gives the default entry's bits.
[ -f node_modules/tsfilters/generated/tsfilters.wasm ] || { echo "FAIL: no tsfilters.wasm in the package"; exit 1; }
cat >lean.mjs <<'JS'
import * as full from 'tsfilters';
import * as lean from 'tsfilters/lean';
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
const x = Float32Array.from({ length: 300 }, (_, i) => 100 + Math.sin(i / 7) * 5);
try {
  lean.superSmoother(x);
  throw new Error('tsfilters/lean computed before init()');
} catch (error) {
  if (!/init\(\)/.test(error.message)) throw error;
}
await lean.init();
for (const name of lean.filterNames) {
  const a = new Uint32Array(lean[name](x).buffer), b = new Uint32Array(full[name](x).buffer);
  if (a.length !== b.length || a.some((v, i) => v !== b[i])) throw new Error(`lean and default entries differ: ${name}`);
}
const wasm = fileURLToPath(import.meta.resolve('tsfilters/tsfilters.wasm'));
console.log(`tsfilters/lean: the seven functions give the default entry's bits, from ${readFileSync(wasm).length} bytes of tsfilters.wasm`);
JS
node lean.mjs
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
