// Streams (the lanes, SIMD128 in this module) against single streams: the
// same bits for every lane, whatever the rows per call.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

const rows = 260;

// Lane j's series: a walk of its own, with a NaN and infinities in lane 1.
function table(lanes) {
  const series = Array.from({ length: lanes }, (_, j) => priceWalk(rows, 1000 + j));
  if (lanes > 1) [series[1][50], series[1][120], series[1][121]] = [NaN, Infinity, -Infinity];
  const rowMajor = new Float32Array(rows * lanes);
  for (let t = 0; t < rows; ++t) for (let j = 0; j < lanes; ++j) rowMajor[t * lanes + j] = series[j][t];
  return { series, rowMajor };
}

describe('lanes', () => {
  // The wasm tree runs this file a second time with TSFILTERS_SIMD=scalar.
  it('run the SIMD128 kernels unless told otherwise', () => {
    assert.equal(tsf.simdTarget(), process.env.TSFILTERS_SIMD ?? 'simd128');
  });

  for (const name of tsf.filterNames) {
    it(`${name}: every lane equals its single stream, one row or many per call`, () => {
      for (const lanes of [1, 3, 8, 37]) {
        const { series, rowMajor } = table(lanes);
        // Each lane its own period: lanes keep their own parameters.
        const params = series.map((_, j) => {
          const p = { ...oddParams[name] };
          if ('period' in p) p.period += j % 5;
          else p.smoothPeriod += j % 5;
          return p;
        });
        const together = new tsf.Streams(name, params, undefined, { missing: 'keep' });
        const live = new tsf.Streams(name, params, undefined, { missing: 'keep' });
        const bulk = together.update(rowMajor);
        const out = new Float32Array(lanes);
        for (let t = 0; t < rows; ++t) {
          live.update(rowMajor.subarray(t * lanes, (t + 1) * lanes), out);
          assertSameBits(out, bulk.subarray(t * lanes, (t + 1) * lanes), `${name} row ${t}`);
        }
        series.forEach((values, j) => {
          const single = new tsf.Stream(name, params[j], { missing: 'keep' });
          const expected = single.update(values);
          assertSameBits(bulk.filter((_, k) => k % lanes === j), expected, `${name} ${lanes} lanes, lane ${j}`);
          // A NaN's sign is the engine's choice (WebAssembly leaves it open,
          // as IEEE 754 does), and a state holding one may differ in it: the
          // states of the lane fed NaN are compared by what they go on to give.
          const more = priceWalk(20, 7);
          for (const lanesState of [together.save(j), live.save(j)]) {
            if (j !== 1) assert.deepEqual(lanesState, single.save(), `${name} lane ${j} state`);
            const continued = tsf.Stream.load(lanesState);
            assertSameBits(continued.update(more), tsf.Stream.load(single.save()).update(more), `${name} lane ${j} continued`);
            continued.free();
          }
          single.free();
        });
        assert.equal(together.samples, rows);
        together.free();
        live.free();
      }
    });
  }

  it('peek changes nothing and gives what the next row gives', () => {
    const { rowMajor } = table(6);
    const lanes = new tsf.Streams('ultimateSmoother', { period: 14 }, 6, { missing: 'keep' });
    lanes.update(rowMajor.subarray(0, 6 * 100));
    const next = rowMajor.subarray(6 * 100, 6 * 101);
    const peeked = lanes.peek(next);
    assertSameBits(lanes.peek(Array.from(next)), peeked);
    assert.equal(lanes.samples, 100);
    assertSameBits(lanes.update(next), peeked);
    assert.throws(() => lanes.update(new Float32Array(7)), /whole rows/);
    assert.throws(() => lanes.peek(new Float32Array(5)), RangeError);
  });
});

describe('single streams', () => {
  it('peek then update give the same bits, and a saved state continues', () => {
    const prices = priceWalk(300);
    const s = new tsf.Stream('laguerreFilter', { gamma: 0.7, period: 15 });
    s.update(prices.subarray(0, 150));
    const copy = tsf.Stream.load(s.save());
    for (const x of prices.subarray(150)) {
      const p = s.peek(x + 0.25);
      assert.ok(Object.is(s.peek(x + 0.25), p));
      const y = s.update(x);
      assert.ok(Object.is(copy.update(x), y));
    }
    assert.equal(copy.samples, 300);
    assertSameBits(copy.update(prices.subarray(0, 10)), s.update(prices.subarray(0, 10)));
  });
});
