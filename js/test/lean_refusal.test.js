// init() of the lean entry keeps a module only once it is sure of it: every
// export the package calls is there and of the right kind, it starts, and
// its streams have the size this package lays out. A refused module, a
// failed load, or loads racing each other leave the entry as it was before,
// so that the next init() with tsfilters.wasm loads it.
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import { describe, it } from 'node:test';
import * as full from '../src/index.js';
import { NEEDED } from '../src/init.js';
import { assertSameBits, priceWalk } from './support.js';

const leanUrl = new URL('../generated/lean.js', import.meta.url);
const wasmBytes = readFileSync(new URL('../generated/tsfilters.wasm', import.meta.url));
let fresh = 0;
const freshLean = () => import(`${leanUrl.href}?refusal-${++fresh}`);
const prices = priceWalk(300, 5);

// ---- a WebAssembly module made to measure -----------------------------------

const leb = (n) => {
  const out = [];
  do {
    let byte = n & 0x7f;
    n >>>= 7;
    if (n !== 0) byte |= 0x80;
    out.push(byte);
  } while (n !== 0);
  return out;
};
const sleb = (n) => {
  const out = [];
  for (;;) {
    const byte = n & 0x7f;
    n >>= 7;
    if ((n === 0 && !(byte & 0x40)) || (n === -1 && (byte & 0x40))) return [...out, byte];
    out.push(byte | 0x80);
  }
};
const name = (s) => [...leb(s.length), ...new TextEncoder().encode(s)];
const vec = (items) => [...leb(items.length), ...items.flat()];
const section = (id, body) => [id, ...leb(body.length), ...body];

// A module exporting `functions` (name: the i32 each returns, or 'trap'),
// all of type () -> i32 (extra arguments are dropped by the engine),
// `globals` (names of i32 globals), a memory unless `memory` is false, and
// importing each [module, name] of `imports` as a function.
function makeModule({ functions = {}, globals = [], memory = true, imports = [] }) {
  const bodies = Object.values(functions).map((v) => {
    const code = v === 'trap' ? [0x00, 0x0b] : [0x41, ...sleb(v), 0x0b];
    return [...leb(code.length + 1), 0x00, ...code];
  });
  const first = imports.length; // imported functions come first in the index space
  const exports = [
    ...Object.keys(functions).map((f, i) => [...name(f), 0x00, ...leb(first + i)]),
    ...globals.map((g, i) => [...name(g), 0x03, ...leb(i)]),
    ...(memory ? [[...name('memory'), 0x02, 0x00]] : []),
  ];
  return new Uint8Array([
    0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,
    ...section(1, vec([[0x60, 0x00, 0x01, 0x7f]])),
    ...(imports.length ? section(2, vec(imports.map(([m, f]) => [...name(m), ...name(f), 0x00, 0x00]))) : []),
    ...section(3, vec(bodies.map(() => [0x00]))),
    ...(memory ? section(5, vec([[0x00, 0x01]])) : []),
    ...(globals.length ? section(6, vec(globals.map(() => [0x7f, 0x00, 0x41, 0x00, 0x0b]))) : []),
    ...section(7, vec(exports)),
    ...section(10, vec(bodies)),
  ]);
}

// Every function the package needs, each answering 1024 (a non-null
// pointer from malloc), and a stream size of 768, changed by `changes`.
function allButWrong(changes = {}) {
  const functions = Object.fromEntries(Object.keys(NEEDED).filter((n) => n !== 'memory').map((n) => [n, 1024]));
  functions.tsf_stream_bytes = 768;
  return { functions: { ...functions, ...changes } };
}

// The entry is as before any init(): nothing computes, and tsfilters.wasm
// then loads and gives the default entry's bits.
async function assertUntouched(lean) {
  assert.throws(() => lean.superSmoother(prices), /not loaded yet/);
  assert.throws(() => new lean.Stream('highPass'), /not loaded yet/);
  await lean.init(wasmBytes);
  assertSameBits(lean.superSmoother(prices), full.superSmoother(prices));
  const s = new lean.Stream('laguerreOscillator');
  assertSameBits(s.update(prices), new full.Stream('laguerreOscillator').update(prices));
  s.free();
}

describe('init() refuses a module that is not this version\'s tsfilters.wasm, and keeps nothing of it', () => {
  const NOT_OURS = /^tsfilters init: the module is not this version's tsfilters\.wasm \(/;
  const wrong = {
    // What the entry used to accept, after which every call failed inside.
    'the seven names it once asked for, and no more': [{
      functions: { _initialize: 0, malloc: 1024, free: 0, tsf_stream_init: 0, tsf_lanes_update: 0, tsf_strerror: 0 },
    }, /it lacks tsf_simd_target, tsf_stream_bytes, .*tsf_lanes_peek, .*HighPass, SuperSmoother/],
    'a filter\'s export missing': [(() => {
      const m = allButWrong();
      delete m.functions.LaguerreOscillator;
      return m;
    })(), /\(it lacks LaguerreOscillator\)$/],
    'malloc a global, not a function': [(() => {
      const m = allButWrong();
      delete m.functions.malloc;
      return { ...m, globals: ['malloc'] };
    })(), /\(its malloc is a global, not a function\)$/],
    'memory a function, not a memory': [{ ...allButWrong({ memory: 0 }), memory: false },
      /\(its memory is a function, not a memory\)$/],
    'an import this package does not provide': [{ ...allButWrong(), imports: [['env', 'emscripten_notify']] },
      /\(it imports env\.emscripten_notify, which this package does not provide\)$/],
    'streams of another size': [allButWrong({ tsf_stream_bytes: 512 }),
      /tsf_stream_bytes\(\) answers 512, where this package's streams take 768\)$/],
    'a start that traps': [allButWrong({ _initialize: 'trap' }), /\(it failed to start: .*unreachable/],
  };
  for (const [what, [shape, message]] of Object.entries(wrong)) {
    it(what, async () => {
      const lean = await freshLean();
      const bytes = makeModule(shape);
      WebAssembly.Module.exports(new WebAssembly.Module(bytes)); // the test's module is valid WebAssembly
      await assert.rejects(lean.init(bytes), (e) => e instanceof TypeError && NOT_OURS.test(e.message) && message.test(e.message));
      await assertUntouched(lean);
    });
  }

  it('asks for every export the package calls', () => {
    const called = new Set();
    for (const file of readdirSync(new URL('../src/', import.meta.url)).filter((f) => f.endsWith('.js'))) {
      const text = readFileSync(new URL(`../src/${file}`, import.meta.url), 'utf8');
      for (const [, e] of text.matchAll(/exports\.(\w+)/g)) called.add(e);
    }
    assert.ok(called.size > 10);
    const missing = [...called].filter((e) => !(e in NEEDED));
    assert.deepEqual(missing, []);
  });
});

describe('init() calls that overlap or repeat', () => {
  it('a refusal awaited twice rejects both times, and the next good call loads', async () => {
    const lean = await freshLean();
    const refused = lean.init(makeModule(allButWrong({ tsf_stream_bytes: 1 })));
    const first = await refused.then(() => null, (e) => e);
    const second = await refused.then(() => null, (e) => e);
    assert.ok(first instanceof TypeError);
    assert.equal(second, first);
    await assertUntouched(lean);
  });

  it('a bad and a good source at once: the bad one\'s call rejects, the good one\'s loads', async () => {
    const lean = await freshLean();
    const bad = lean.init(makeModule({ functions: { malloc: 1 } }));
    const good = lean.init(wasmBytes);
    const later = lean.init(42); // waits for the good one, and loads nothing
    await assert.rejects(bad, /it lacks/);
    await good;
    await later;
    assertSameBits(lean.highPass(prices), full.highPass(prices));
  });

  it('two good sources at once load one module: streams made after either call share it', async () => {
    const lean = await freshLean();
    const a = lean.init(wasmBytes);
    const b = lean.init(new WebAssembly.Module(wasmBytes));
    await a;
    const s = new lean.Stream('superSmoother');
    s.update(prices);
    const saved = s.save();
    await b;
    assert.deepEqual(s.save(), saved); // b made no new instance under the stream
    assert.equal(s.samples, prices.length);
  });

  it('a rejected Promise waiting behind a load is not left unhandled', async () => {
    const lean = await freshLean();
    const unhandled = [];
    const record = (reason) => unhandled.push(reason);
    process.on('unhandledRejection', record);
    try {
      const slow = lean.init(new Promise((resolve) => setTimeout(() => resolve(wasmBytes), 50)));
      const rejected = Promise.reject(new Error('the fetch failed'));
      const waiting = lean.init(rejected); // read only if the first load fails
      await new Promise((resolve) => setTimeout(resolve, 100));
      await slow;
      await waiting;
      assert.deepEqual(unhandled, []);
    } finally {
      process.off('unhandledRejection', record);
    }
  });
});
