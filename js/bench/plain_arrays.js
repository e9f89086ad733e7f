// The batch call on the three kinds of array a page holds (number[],
// Float64Array, Float32Array) against the loop a developer would write
// instead: a plain-JS two-pole smoother over the same array into a
// Float64Array. Processor time, fastest of many runs, in one process.
//
//   node bench/plain_arrays.js
import { readFileSync } from 'node:fs';
import * as tsf from '../src/index.js';
import { fastest } from './fastest.js';

const N = 1_000_000;

// The smoother as a page would write it, coefficients from the period.
function plainSmoother(x, period) {
  const a = Math.exp((-1.414 * Math.PI) / period);
  const c2 = 2 * a * Math.cos((1.414 * Math.PI) / period);
  const c3 = -a * a;
  const c1 = 1 - c2 - c3;
  const n = x.length;
  const y = new Float64Array(n);
  y[0] = x[0];
  if (n > 1) y[1] = x[1];
  for (let i = 2; i < n; ++i) y[i] = (c1 * (x[i] + x[i - 1])) / 2 + c2 * y[i - 1] + c3 * y[i - 2];
  return y;
}

let s = 7, v = 100;
const numbers = Array.from({ length: N }, () => {
  s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
  return (v += s / 2 ** 32 - 0.5);
});
const arrays = [['number[]', numbers], ['Float64Array', Float64Array.from(numbers)], ['Float32Array', Float32Array.from(numbers)]];

const cpu = (() => {
  try {
    return /model name\s*:\s*(.*)/.exec(readFileSync('/proc/cpuinfo', 'utf8'))?.[1] ?? 'unknown';
  } catch {
    return 'unknown';
  }
})();
console.log(`super_smoother over ${N.toLocaleString('en')} samples, Node ${process.version}, ${cpu}`);
for (const [name, x] of arrays) {
  for (let w = 0; w < 3; ++w) {
    plainSmoother(x, 20);
    tsf.superSmoother(x, { period: 20 });
  }
  // In turns, so that both see the same load.
  let plain = Infinity, ours = Infinity;
  for (let round = 0; round < 5; ++round) {
    plain = Math.min(plain, fastest(() => plainSmoother(x, 20), 5));
    ours = Math.min(ours, fastest(() => tsf.superSmoother(x, { period: 20 }), 5));
  }
  console.log(`${name.padEnd(13)} batch ${(ours / 1e6).toFixed(2)} ms, plain-JS loop ${(plain / 1e6).toFixed(2)} ms: ${(ours / plain).toFixed(2)}x`);
}
