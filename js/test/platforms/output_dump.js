// The output dump of tests/platforms/output_dump.c, from the WebAssembly
// module: the same calls over the same inputs, one line per call, every
// slot as the hex of its bits. Byte-identical to the native dump when the
// module computes the same bits (tests/scripts/compare_dumps.py checks).
// The module's functions are called as the C host calls them, with a
// sentinel in every output slot and guard slots past `count`.
//
//   node output_dump.js OUTFILE
import { writeFileSync } from 'node:fs';
import { filterTable } from '../../generated/filter_table.js';
import { defaultModule } from '../../src/default_module.js';
import { Instance } from '../../src/module.js';
import { hex8, slots, walk as makeWalk } from './inputs.js';

const kLength = 300, kGuard = 4, kSlots = kLength + kGuard, kSweepLength = 48;
const kSentinelBits = 0x7fc5a5a5;
const fromBits = (b) => new Float32Array(new Uint32Array([b]).buffer)[0];
const toBits = (f) => new Uint32Array(new Float32Array([f]).buffer)[0];

const walk = makeWalk(kLength);
const build = (f) => Float32Array.from(walk, f);
const walkNonFinite = build((v, i) => (i === 180 ? NaN : i === 220 ? Infinity : i === 221 ? -Infinity : v));
const inputs = [
  ['walk', walk],
  ['nonfinite', walkNonFinite],
  ['nan_in_rms_window', build((v, i) => (i === 30 ? NaN : v))],
  ['flat', build(() => 42.5)],
  ['zeros', build(() => 0)],
  ['tiny', build((v) => v * Math.fround(1e-30))],
  ['huge', build((v) => v * Math.fround(1e35))],
  ['extremes', build((v, i) => (i % 3 ? 1 : -1) * 3.40282347e38)],
];

// An instance of its own, of the module the package embeds.
const wasm = new Instance({}, defaultModule());
const inAt = wasm.malloc(4 * kSlots), outAt = wasm.malloc(4 * kSlots);
const lines = [];

function invoke(c, input, output) {
  const row = filterTable[c.fn], fn = wasm.exports[row.exportName];
  if (row.shape === 'PERIOD') fn(input, c.a, c.count, output);
  else if (row.shape === 'TWO_PERIODS') fn(input, c.a, c.b, c.count, output);
  else fn(input, c.gamma, c.a, c.count, output);
}

function writeLine(label, c, out) {
  lines.push(`${filterTable[c.fn].exportName} ${label} a=${c.a} b=${c.b} gamma=${hex8(toBits(c.gamma))} ` +
    `count=${c.count}:${slots(out, kSentinelBits)}\n`);
}

// The module's memory as words, taken again after each call.
const words = () => new Uint32Array(wasm.exports.memory.buffer);
function place(at, values, fill) {
  const w = words();
  w.fill(kSentinelBits, at >>> 2, (at >>> 2) + kSlots);
  if (values) new Float32Array(wasm.exports.memory.buffer, at, values.length).set(values);
}
const read = (at, n) => new Float32Array(wasm.exports.memory.buffer.slice(at, at + 4 * n));

function run(label, c, input) {
  place(inAt, input);
  place(outAt, null);
  invoke(c, inAt, outAt);
  writeLine(label, c, read(outAt, kSlots));
}

function runInPlace(label, c, input) {
  place(inAt, input);
  invoke(c, inAt, inAt);
  writeLine(label, c, read(inAt, kSlots));
}

function usual(fn, count) {
  const d = filterTable[fn].defaults;
  return { fn, a: d.period, b: d.smoothPeriod, gamma: d.gamma, count };
}

const count = filterTable.length;
for (let fn = 0; fn < count; ++fn) {
  for (const [name, data] of inputs) {
    run(name, usual(fn, kLength), data);
    runInPlace(name, usual(fn, kLength), data);
  }
}
for (let fn = 0; fn < count; ++fn) {
  for (const n of [-3, 0, 1, 2, 4, 5, 99, 100, 101]) run('walk', usual(fn, n), walk);
}
for (let fn = 0; fn < count; ++fn) {
  const c = usual(fn, kLength);
  place(outAt, null);
  invoke(c, 0, outAt); // a null input writes nothing
  writeLine('null_input', c, read(outAt, kSlots));
  place(inAt, walk);
  invoke(c, inAt, 0);
}
for (const period of [0, -7, 1, 2, 3, 2147483647, -2147483648]) {
  for (let fn = 0; fn < count; ++fn) {
    run('walk', { ...usual(fn, kLength), a: period }, walk);
    if (filterTable[fn].shape === 'TWO_PERIODS') run('walk', { ...usual(fn, kLength), b: period }, walk);
  }
}
for (const bits of [0x00000000, 0x3f800000, 0x7fc00000, 0xbf000000, 0x3fc00000, 0x7f800000, 0x80000000]) {
  for (let fn = 0; fn < count; ++fn) {
    if (filterTable[fn].shape === 'GAMMA_PERIOD') run('walk', { ...usual(fn, kLength), gamma: fromBits(bits) }, walk);
  }
}
for (let p = 1; p <= 640; ++p) {
  for (let fn = 0; fn < count; ++fn) {
    if (filterTable[fn].shape !== 'PERIOD') continue;
    const c = { fn, a: p <= 600 ? p : (p - 600) * 53687091, b: 0, gamma: 0, count: kSweepLength };
    place(inAt, walk);
    invoke(c, inAt, outAt);
    writeLine('sweep', c, read(outAt, kSweepLength));
  }
}
writeFileSync(process.argv[2], lines.join(''));
