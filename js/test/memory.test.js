// A live loop must run for ever in the memory it started with, and streams
// dropped without free() must be freed by the collector.
import assert from 'node:assert/strict';
import { it } from 'node:test';
import { setFlagsFromString } from 'node:v8';
import { runInNewContext } from 'node:vm';
import * as tsf from '../src/index.js';
import { instance } from '../src/module.js';

setFlagsFromString('--expose-gc');
const gc = runInNewContext('gc');
const settle = async () => {
  for (let i = 0; i < 4; ++i) {
    gc();
    await new Promise((resolve) => setImmediate(resolve));
  }
};
const moduleBytes = () => instance().exports.memory.buffer.byteLength;

it('a million updates and peeks keep the JavaScript heap and the module memory steady', async () => {
  const s = new tsf.Stream('laguerreOscillator');
  const lanes = new tsf.Streams('superSmoother', {}, 16);
  const row = new Float32Array(16), out = new Float32Array(16);
  const run = (n) => {
    for (let i = 0; i < n; ++i) {
      const x = 100 + Math.sin(i / 50);
      s.peek(x + 0.1);
      s.update(x);
      row.fill(x);
      lanes.update(row, out);
    }
  };
  run(100_000); // warm up: the first views, compiled code
  await settle();
  const heap = process.memoryUsage().heapUsed, wasm = moduleBytes();
  run(1_000_000);
  await settle();
  assert.equal(moduleBytes(), wasm);
  assert.ok(process.memoryUsage().heapUsed - heap < 2 ** 20, `heap grew by ${process.memoryUsage().heapUsed - heap} bytes`);
  assert.equal(s.samples, 1_100_000);
  s.free();
  lanes.free();
});

it('streams nobody frees are freed when collected', async () => {
  const churn = () => {
    for (let i = 0; i < 20_000; ++i) new tsf.Stream('bandPass').update(1);
  };
  churn();
  await settle();
  const wasm = moduleBytes();
  // 15 MB of states if none were freed: the memory would have to grow.
  for (let k = 0; k < 5; ++k) {
    churn();
    await settle();
  }
  assert.equal(moduleBytes(), wasm);
});
