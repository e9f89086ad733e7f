// Live speed against what a web developer would write by hand, in one
// process, as ratios (the fastest of several runs of each, so that other
// work on a shared machine counts as little as it can):
//   tick   Stream.update(x) of a superSmoother per sample, and peek(x),
//          against a plain-JS two-pole step (state in an object's fields)
//   row    Streams.update(row, out) of 5,000 superSmoother series, a
//          Float64Array row into a given output, against a plain-JS loop
//          over Float64Array state and coefficients; and each composite
//   map    a Map row of all 5,000 symbols and of 50, against the dense row
//   peek   Streams.peek of the row against its update
// Goals: tick <= 1.5x, row <= 0.5x.
//
//   node bench/live.js [--json]     (what js/test/browser runs in Chromium too)
import * as tsf from '../src/index.js';

const now = () => performance.now();

// Nanoseconds per call of fn(i), the fastest of `runs` runs of `n` calls.
// Each measure gets a timing loop of its own, compiled from its own source:
// one loop shared by every measure would call several functions from one
// call site, and the engine, having inlined the first function there,
// would call the later ones through a lookup, which then counts against
// them (a second plain-JS step measured after the first costs twice as
// much through a shared loop).
const LOOP = `let best = Infinity;
  for (let r = 0; r < runs; ++r) {
    const t0 = now();
    for (let i = 0; i < n; ++i) fn(i);
    best = Math.min(best, (now() - t0) * 1e6 / n);
  }
  return best;`;
function timeEach(fn, n, runs = 9) {
  return new Function('now', 'fn', 'n', 'runs', LOOP)(now, fn, n, runs);
}

function walk(n, seed) {
  let s = seed >>> 0, v = 100;
  return Float64Array.from({ length: n }, () => {
    s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
    return (v += s / 2 ** 32 - 0.5);
  });
}

// The two-pole step as one would write it by hand: coefficients from the
// period, state in an object, binary32 outputs as the library stores them.
function handStep(period) {
  const a = Math.exp(-Math.SQRT2 * Math.PI / period);
  const c2 = 2 * a * Math.cos(Math.SQRT2 * Math.PI / period);
  const c3 = -a * a;
  const c1 = 1 - c2 - c3;
  const s = { x1: 0, y1: 0, y2: 0 };
  return (x) => {
    const y = Math.fround(c1 * (x + s.x1) / 2 + c2 * s.y1 + c3 * s.y2);
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
  };
}

// The same step over many series: state and coefficients in Float64Arrays.
function handRow(series, period) {
  const c1 = new Float64Array(series), c2 = new Float64Array(series), c3 = new Float64Array(series);
  const x1 = new Float64Array(series), y1 = new Float64Array(series), y2 = new Float64Array(series);
  for (let j = 0; j < series; ++j) {
    const a = Math.exp(-Math.SQRT2 * Math.PI / (period + (j % 5)));
    c2[j] = 2 * a * Math.cos(Math.SQRT2 * Math.PI / (period + (j % 5)));
    c3[j] = -a * a;
    c1[j] = 1 - c2[j] - c3[j];
  }
  return (row, out) => {
    for (let j = 0; j < series; ++j) {
      const x = row[j];
      const y = c1[j] * (x + x1[j]) / 2 + c2[j] * y1[j] + c3[j] * y2[j];
      x1[j] = x;
      y2[j] = y1[j];
      y1[j] = y;
      out[j] = y;
    }
  };
}

export function measure() {
  const ticks = walk(1 << 16, 1);
  const mask = ticks.length - 1;
  const hand = handStep(10);
  const stream = new tsf.Stream('superSmoother', { period: 10 });
  const handTick = timeEach((i) => hand(ticks[i & mask]), 2e6);
  const streamTick = timeEach((i) => stream.update(ticks[i & mask]), 2e6);
  const streamPeek = timeEach((i) => stream.peek(ticks[i & mask]), 2e6);
  stream.free();

  const series = 5000;
  const rows = Array.from({ length: 16 }, (_, r) => walk(series, 100 + r));
  const out = new Float64Array(series);
  const outF32 = new Float32Array(series);
  const row = handRow(series, 10);
  const handNs = timeEach((i) => row(rows[i & 15], out), 4000);
  const params = Array.from({ length: series }, (_, j) => ({ period: 10 + (j % 5) }));
  const symbols = Array.from({ length: series }, (_, j) => `S${j}`);
  const book = new tsf.Streams('superSmoother', params, undefined, { missing: 'drop', symbols });
  const bookNs = timeEach((i) => book.update(rows[i & 15], outF32), 4000);
  const peekNs = timeEach((i) => book.peek(rows[i & 15], outF32), 4000);
  const maps = rows.slice(0, 4).map((r) => new Map(symbols.map((s, j) => [s, r[j]])));
  const mapNs = timeEach((i) => book.update(maps[i & 3]), 400);
  const small = rows.slice(0, 4).map((r) => new Map(symbols.slice(0, 50).map((s, j) => [s, r[j]])));
  const smallNs = timeEach((i) => book.update(small[i & 3]), 40000);
  book.free();
  const composites = {};
  for (const kind of tsf.filterNames) {
    const b = new tsf.Streams(kind, {}, series, { missing: 'drop' });
    composites[kind] = timeEach((i) => b.update(rows[i & 15], outF32), 2000);
    b.free();
  }
  return { handTick, streamTick, streamPeek, handNs, bookNs, peekNs, mapNs, smallNs, composites };
}

export function describeMeasures(m, where) {
  const r = (a, b) => (a / b).toFixed(2);
  const lines = [
    `${where}`,
    `  Stream.update(x): ${m.streamTick.toFixed(1)} ns a tick, plain-JS two-pole step ${m.handTick.toFixed(1)} ns: ` +
      `${r(m.streamTick, m.handTick)}x (goal <= 1.5x); peek(x) ${m.streamPeek.toFixed(1)} ns, ${r(m.streamPeek, m.streamTick)}x update`,
    `  5,000-symbol row: Streams.update ${(m.bookNs / 1000).toFixed(1)} µs, plain-JS loop over Float64Array state ` +
      `${(m.handNs / 1000).toFixed(1)} µs: ${r(m.bookNs, m.handNs)}x (goal <= 0.5x); peek ${r(m.peekNs, m.bookNs)}x update`,
    `  Map row of 5,000 symbols ${(m.mapNs / 1000).toFixed(0)} µs (${r(m.mapNs, m.bookNs)}x the dense row); ` +
      `of 50 symbols ${(m.smallNs / 1000).toFixed(1)} µs (${r(m.smallNs, m.bookNs)}x)`,
    `  each kind's 5,000-series row against superSmoother's: ` +
      Object.entries(m.composites).map(([k, ns]) => `${k} ${r(ns, m.composites.superSmoother)}x`).join(', '),
  ];
  return lines.join('\n');
}

if (typeof process !== 'undefined' && import.meta.url === `file://${process.argv[1]}`) {
  const { execFileSync } = await import('node:child_process');
  let cpu = 'unknown';
  try {
    cpu = execFileSync('lscpu', { encoding: 'utf8' }).match(/Model name:\s*(.*)/)?.[1] ?? cpu;
  } catch { /* no lscpu */ }
  const m = measure();
  if (process.argv.includes('--json')) console.log(JSON.stringify({ cpu, node: process.version, ...m }));
  else console.log(describeMeasures(m, `Node ${process.version} on ${cpu}, lanes ${tsf.simdTarget()}`));
}
