// Many live streams: `new Stream` kept alive, a million of them, in a
// fresh process (the module's memory starts small), then all dropped
// without free() and left to the collector. Prints one line of JSON:
//   createUs   µs per `new Stream`, on average over the million
//   dropMs     ms until the collector has freed them all (the next million
//              then fits the memory they leave, without growing it)
//   memoryMB   the module's memory after the first million
//
//   node --expose-gc bench/many_streams.js [COUNT]
import { Stream } from '../src/index.js';
import { instance } from '../src/module.js';

const count = Number(process.argv[2] ?? 1_000_000);
const memory = () => instance().exports.memory.buffer.byteLength;
const tick = () => new Promise((resolve) => setImmediate(resolve));

function make() {
  const kept = new Array(count);
  const t0 = performance.now();
  for (let i = 0; i < count; ++i) kept[i] = new Stream('superSmoother');
  return [kept, (performance.now() - t0) * 1000 / count];
}

let [kept, createUs] = make();
const grown = memory();
kept = null;
const t0 = performance.now();
// Collected and finalized: a few full collections, each followed by a
// turn of the event loop, where the finalizers run.
for (let i = 0; i < 4; ++i) {
  globalThis.gc();
  await tick();
}
const dropMs = performance.now() - t0;
[kept] = make();
console.log(JSON.stringify({ count, createUs, dropMs, memoryMB: grown / 2 ** 20, regrewMB: (memory() - grown) / 2 ** 20 }));
