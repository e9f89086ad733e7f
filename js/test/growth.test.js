// The module's memory grows while streams live in it: the streams made
// before, during and after a growth compute the batch call's bits, the
// views over the memory follow it, and it grows in a few large steps,
// not one 64 KiB page at a time (which made a million streams take minutes).
import assert from 'node:assert/strict';
import { it } from 'node:test';
import * as tsf from '../src/index.js';
import { instance } from '../src/module.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

const memory = () => instance().exports.memory;
const prices = priceWalk(400);

it('streams made across growths of the memory give the batch bits', () => {
  const early = tsf.filterNames.map((kind) => new tsf.Stream(kind, oddParams[kind]));
  early.forEach((s) => s.update(prices.subarray(0, 150)));
  const before = memory().buffer;
  // 60,000 more states (46 MB) and a batch call of 8 M samples (32 MB).
  const many = Array.from({ length: 60_000 }, (_, i) => new tsf.Stream(tsf.filterNames[i % 7]));
  const big = tsf.superSmoother(priceWalk(8_000_000, 9));
  assert.notEqual(memory().buffer, before, 'the memory did not grow; the test tests nothing');
  assert.equal(big.length, 8_000_000);
  const late = tsf.filterNames.map((kind) => new tsf.Stream(kind, oddParams[kind]));
  // An oscillator's first 100 outputs are known once scaled: its window().
  const withWindow = (s, outputs) => {
    const all = Float32Array.from(outputs);
    const window = s.window();
    if (window !== null) all.set(window);
    return all;
  };
  tsf.filterNames.forEach((kind, k) => {
    const batch = tsf[kind](prices, oddParams[kind]);
    const first = early[k].update(prices.subarray(150));
    assertSameBits(first, batch.subarray(150), `${kind} made before`);
    assertSameBits(withWindow(late[k], Array.from(prices, (x) => late[k].update(x))), batch, `${kind} made after, one sample at a time`);
    assertSameBits(withWindow(many[k], many[k].update(prices)), tsf[kind](prices), `${kind} made during`);
  });
  // The package's views are over the memory as it is now.
  const wasm = instance();
  wasm.views();
  assert.equal(wasm.f32.buffer, memory().buffer);
  assert.equal(wasm.u8.buffer, memory().buffer);
  for (const s of [...early, ...many, ...late]) s.free();
});

it('the memory grows in geometric steps', () => {
  const sizes = new Set([memory().buffer.byteLength]);
  const kept = [];
  for (let i = 0; i < 200_000; ++i) {
    kept.push(new tsf.Stream('superSmoother'));
    sizes.add(memory().buffer.byteLength);
  }
  const grownMB = (memory().buffer.byteLength - Math.min(...sizes)) / 2 ** 20;
  assert.ok(grownMB >= 40, `200,000 states (146 MB) in ${grownMB} MB more`);
  // 2,300 steps of a page each without the reserve; about a dozen with it.
  assert.ok(sizes.size < 40, `${sizes.size} sizes of memory for ${grownMB} MB`);
  for (const s of kept) s.free();
});
