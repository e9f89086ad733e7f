// Speed of the WebAssembly module in Node against the native library, in
// one run on one machine, as ratios:
//   batch    each filter's batch call over 1,000,000 samples, per sample,
//            against the native export (bench/filters_bench)
//   live     Streams of 5,000 symbols, one row, per lane, against the
//            native lanes' live row (bench/lanes_bench live/)
//   lanes    Streams over 1,000 lanes x 10,000 rows (one call), per
//            lane-sample, against this module's single-series batch call:
//            the gain of the SIMD128 lanes (and of the scalar lanes, run in
//            a child with TSFILTERS_SIMD=scalar)
//
// and first what a page downloads (scripts/sizes.mjs): the .wasm, and an
// application of one function bundled from each entry; then a million live
// streams made and dropped (bench/many_streams.js).
//
//   node bench/speed.js NATIVE_TREE      (a built default tree)
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import * as tsf from '../src/index.js';
import { describeSizes, sizes } from '../scripts/sizes.mjs';
import { fastest } from './fastest.js';

const tree = process.argv[2];
if (!tree) {
  console.error('usage: node bench/speed.js NATIVE_TREE   (e.g. build/default, built with its benchmarks)');
  process.exit(2);
}
const onlyLanes = process.argv[3] === '--lanes-only';

function walk(n, seed) {
  let s = seed >>> 0, v = 100;
  return Float32Array.from({ length: n }, () => {
    s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
    return (v += (s / 2 ** 32 - 0.5));
  });
}

// ns per lane-sample of Streams over a lanes x rows table, in one call.
function lanesNs(name, lanes, rows) {
  const table = walk(lanes * rows, 7);
  const output = new Float32Array(lanes * rows);
  return fastest(() => {
    const s = new tsf.Streams(name, undefined, lanes);
    s.update(table, output);
    s.free();
  }, 3) / (lanes * rows);
}

if (onlyLanes) {
  // The child's answer: lanes ns per lane-sample for every filter.
  console.log(JSON.stringify(Object.fromEntries(tsf.filterNames.map((n) => [n, lanesNs(n, 1000, 10000)]))));
  process.exit(0);
}

console.log(`${describeSizes(await sizes())}\n`);

// A million live streams, in a child of its own: its module memory starts
// small, and the collector can be run there (bench/many_streams.js).
{
  const many = JSON.parse(execFileSync(process.execPath,
    ['--expose-gc', new URL('./many_streams.js', import.meta.url).pathname], { encoding: 'utf8' }));
  console.log(`many streams: ${many.count.toLocaleString('en')} live new Stream, ${many.createUs.toFixed(2)} µs each ` +
    `(goal <= 3), module memory ${many.memoryMB.toFixed(0)} MB; dropped without free(), collected in ` +
    `${(many.dropMs / 1000).toFixed(2)} s; another million after them grew the memory by ${many.regrewMB} MB\n`);
}

// Google Benchmark's fastest repetition of each benchmark, in ns.
function native(program, filter) {
  const file = join(mkdtempSync(join(tmpdir(), 'tsfilters-bench-')), 'out.json');
  execFileSync(join(tree, 'bench', program), [`--benchmark_filter=${filter}`, `--benchmark_out=${file}`,
    '--benchmark_out_format=json', '--benchmark_min_time=0.2s', '--benchmark_repetitions=5'],
  { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 26 });
  const out = readFileSync(file, 'utf8');
  rmSync(dirname(file), { recursive: true });
  const scale = { ns: 1, us: 1e3, ms: 1e6, s: 1e9 };
  const best = {};
  for (const b of JSON.parse(out).benchmarks) {
    if (b.run_type !== 'iteration') continue;
    const ns = b.cpu_time * scale[b.time_unit];
    best[b.run_name] = Math.min(best[b.run_name] ?? Infinity, ns);
  }
  return best;
}


const exports = tsf.filterNames.map((n) => n[0].toUpperCase() + n.slice(1));
const nativeBatch = native('filters_bench', `^(${exports.join('|')})/1000000$`);
const nativeLive = native('lanes_bench', '^live/');
const scalarLanes = JSON.parse(execFileSync(process.execPath, [process.argv[1], tree, '--lanes-only'],
  { env: { ...process.env, TSFILTERS_SIMD: 'scalar' }, encoding: 'utf8' }));

const cpuinfo = readFileSync('/proc/cpuinfo', 'utf8');
const cpu = cpuinfo.match(/model name\s*:\s*(.*)/)?.[1] ?? 'unknown';
const flags = cpuinfo.match(/^flags\s*:(.*)$/m)?.[1].split(' ') ?? [];
console.log(`CPU: ${cpu} (${['sse2', 'avx2', 'avx512f'].filter((f) => flags.includes(f)).join(' ')}); ` +
  `Node ${process.version}; lanes: ${tsf.simdTarget()} here, natively the widest of those flags`);

// Batch calls first, before the lanes' large tables fill the heap; every
// filter once beforehand, so that the engine has compiled the module's
// optimised code (it starts on a quick baseline compile) before any timing.
for (const name of tsf.filterNames) tsf[name](walk(1_000_000, 1));
const batchNs = tsf.filterNames.map((name) => {
  const series = walk(1_000_000, 3);
  return fastest(() => tsf[name](series), 11) / 1e6;
});
const rows = tsf.filterNames.map((name, k) => {
  const nativeNs = nativeBatch[`${exports[k]}/1000000`] / 1e6;
  const lanes = 5000;
  const live = new tsf.Streams(name, undefined, lanes);
  live.update(walk(lanes * 200, 5));
  const row = walk(lanes, 9), out = new Float32Array(lanes);
  const liveNs = fastest(() => {
    for (let i = 0; i < 2000; ++i) live.update(row, out);
  }) / (2000 * lanes);
  live.free();
  const nativeLiveNs = nativeLive[`live/${exports[k]}`] / lanes;
  const simdNs = lanesNs(name, 1000, 10000);
  const batch = batchNs[k];
  return [name, batch, nativeNs, batch / nativeNs, liveNs, nativeLiveNs, liveNs / nativeLiveNs,
    simdNs, batch / simdNs, batch / scalarLanes[name]];
});

const f = (x, d = 2) => x.toFixed(d).padStart(8);
console.log('\nns per sample (lanes: per lane-sample); ratios in the same run');
console.log(`${'filter'.padEnd(22)} ${'batch'.padStart(8)} ${'native'.padStart(8)} ${'ratio'.padStart(8)}  ` +
  `${'live'.padStart(8)} ${'native'.padStart(8)} ${'ratio'.padStart(8)}  ${'lanes'.padStart(8)} ${'x batch'.padStart(8)} ${'scalar x'.padStart(8)}`);
for (const [name, ...v] of rows) {
  console.log(`${name.padEnd(22)} ${f(v[0])} ${f(v[1])} ${f(v[2])}  ${f(v[3])} ${f(v[4])} ${f(v[5])}  ${f(v[6])} ${f(v[7])} ${f(v[8])}`);
}
console.log('\nbatch: 1,000,000 samples, ratio = WASM / native export (goal <= 1.3)');
console.log('live: Streams of 5,000 symbols, one row, ratio = WASM / native lanes (goal <= 3)');
console.log('lanes: 1,000 x 10,000 in one call; x batch = WASM lanes throughput / WASM single-series batch ' +
  '(goal >= 2 with SIMD128); scalar x = the same with TSFILTERS_SIMD=scalar');
