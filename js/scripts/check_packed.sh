#!/bin/sh
# Packs the npm package as `npm pack` does for publishing (its prepack
# builds the CommonJS and lean entries), checks that packing left the
# source tree as it was, installs the tarball into an empty folder and
# there runs ES module and CommonJS consumers on this machine's Node and on
# Node 20.10.0 (the oldest the package claims, installed from npm into
# NODE_CACHE, by default WORKDIR.node-20.10, kept between runs), runs
# tsfilters/lightweight-charts beside its peer, type-checks TypeScript
# consumers of both kinds with TypeScript 5.9 and 7, and runs
# every ```js example of docs/javascript.md and of the README, as a user
# who read them would.
#
#   check_packed.sh WORKDIR [NODE_CACHE]   (absolute paths)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
work=$1
old_node=$("$here/scripts/old_node.sh" "${2:-$work.node-20.10}")
rm -rf "$work"
mkdir -p "$work/consumer"
tree_state() {
  git -C "$here" status --porcelain --untracked-files=all -- . 2>/dev/null || echo "not a git tree"
}
before=$(tree_state)
tarball=$(cd "$here" && npm pack --silent --pack-destination "$work")
echo "packed $tarball: $(tar -tzf "$work/$tarball" | tr '\n' ' ')"
[ "$(tree_state)" = "$before" ] || { echo "FAIL: npm pack changed the source tree:"; tree_state; exit 1; }
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
# An ES module consumer: each filter's stream against its batch call, and
# the errors a caller branches on.
cat >streamed.mjs <<'JS'
import * as tsf from 'tsfilters';
const { filterNames, Stream, TsfiltersError } = tsf;
const x = Float32Array.from({ length: 300 }, (_, i) => 100 + Math.sin(i / 7) * 5);
for (const name of filterNames) {
  const s = new Stream(name);
  const out = Float32Array.from([...s.update(x.subarray(0, 120)), ...Array.from(x.subarray(120), (v) => s.update(v))]);
  const window = s.window();
  if (window !== null) out.set(window);
  const batch = tsf[name](x);
  const a = new Uint32Array(out.buffer), b = new Uint32Array(batch.buffer);
  if (a.some((v, i) => v !== b[i] && !(Number.isNaN(out[i]) && Number.isNaN(batch[i])))) throw new Error(`stream and batch differ: ${name}`);
  s.free();
  try {
    s.update(1);
    throw new Error('a freed stream computed');
  } catch (error) {
    if (!(error instanceof TsfiltersError) || error.code !== -3) throw error;
  }
}
console.log(`import from 'tsfilters' on Node ${process.version}: streams give the batch bits; a freed one throws code -3`);
JS
for node in node "$old_node"; do
  echo "== Node $("$node" --version)"
  "$node" required.cjs
  "$node" streamed.mjs
done
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
for node in node "$old_node"; do "$node" lean.mjs; done
# tsfilters/lightweight-charts with its peer, the chart library (the copy
# the repository's own tests use, so this runs offline), on a stand-in chart
# that keeps what it is given: the line equals the batch call, and the
# forming bar is the stream's peek.
npm install --silent --no-audit --no-fund --no-save "$here/node_modules/lightweight-charts"
cat >chart.mjs <<'JS'
import { attachFilter } from 'tsfilters/lightweight-charts';
import { Stream, superSmoother } from 'tsfilters';
const drawn = [];
const series = { setData: (points) => drawn.splice(0, drawn.length, ...points), update: (p) => {
  if (drawn.length > 0 && drawn.at(-1).time === p.time) drawn[drawn.length - 1] = p; else drawn.push(p);
}, createPriceLine() {} };
const chart = { panes: () => [{}], addSeries: () => series, removeSeries() {} };
const closes = Array.from({ length: 60 }, (_, i) => 100 + Math.sin(i / 5) * 4);
const bars = closes.map((close, i) => ({ time: 1_700_000_000 + i * 86400, close }));
const line = attachFilter(chart, 'superSmoother', { period: 10 });
line.setData(bars.slice(0, 50));
line.update({ ...bars[50], close: bars[50].close + 1 });
const s = new Stream('superSmoother', { period: 10 });
s.update(Float32Array.from(closes.slice(0, 50)));
if (drawn.at(-1).value !== s.peek(bars[50].close + 1)) throw new Error('the forming bar is not the stream\'s peek');
for (const bar of bars.slice(50)) line.update(bar);
const batch = superSmoother(Float32Array.from(closes), { period: 10 });
if (drawn.length !== 60 || drawn.some((p, i) => p.value !== batch[i])) throw new Error('the line is not the batch call');
console.log('tsfilters/lightweight-charts: the line equals the batch call; the forming bar is peek');
JS
node chart.mjs
# TypeScript consumers of the installed package, ES module (.mts) and
# CommonJS (.cts, which resolves to the require condition's types), with
# the default libs of --module nodenext and with ES2022 and the DOM alone
# (no Symbol.dispose there), strict and without skipLibCheck.
cat >typed.mts <<'TS'
import { Stream, Streams, superSmoother, TsfiltersError, type FilterName } from 'tsfilters';
import { init } from 'tsfilters/lean';
const live = new Stream('laguerreFilter', { gamma: 0.5 });
const tick: number | number[] = Math.random() < 0.5 ? 1 : [1, 2];
const out: number | Float32Array = live.update(tick);
const kind: 'laguerreFilter' = live.kind;
// @ts-expect-error kind is read-only
live.kind = 'highPass';
const names: FilterName[] = ['bandPass'];
const lanes = new Streams('bandPass', [{ smoothPeriod: 8 }, {}]);
await init;
console.log(out, kind, names, lanes.update([1, 2]), superSmoother([1, 2, 3]), TsfiltersError);
TS
cat >typed.cts <<'TS'
import { Stream, highPass, TsfiltersError } from 'tsfilters';
const s = new Stream('highPass', { period: 10 });
const restored: Stream<'highPass'> = s;
restored.restore(s.save());
try {
  s.free();
  s.update(1);
} catch (e) {
  if (e instanceof TsfiltersError) console.log(e.code);
}
console.log(highPass([1, 2, 3]).length, restored.params.period);
TS
for tsc in typescript typescript7; do
  compiler="$here/node_modules/$tsc/bin/tsc"
  for lib in default es2022,dom; do
    [ "$lib" = default ] && libs="" || libs="--lib $lib"
    echo "tsc $(node "$compiler" --version | sed 's/Version //') --strict --noEmit --module nodenext ${libs:-(default libs)}"
    node "$compiler" --strict --noEmit --module nodenext $libs typed.mts typed.cts
  done
done
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
