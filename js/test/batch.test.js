// The batch functions against the streams (which the native platform tests
// hold to the C library), and which slots they leave NaN.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { filterTable } from '../generated/filter_table.js';
import * as tsf from '../src/index.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

const prices = priceWalk(400);

describe('batch calls', () => {
  for (const name of tsf.filterNames) {
    it(`${name} equals a stream fed the series in chunks`, () => {
      const batch = tsf[name](prices, oddParams[name]);
      const s = new tsf.Stream(name, oddParams[name]);
      const streamed = Float32Array.from([...s.update(prices.subarray(0, 150)), ...s.update(prices.subarray(150))]);
      const window = s.window();
      if (window !== null) streamed.set(window); // an oscillator's first 100, known once scaled
      assertSameBits(batch, streamed, name);
      s.free();
    });
  }

  it('takes Float32Array, Float64Array and arrays of numbers alike, rounding to binary32', () => {
    const wide = Float64Array.from(prices, (v, i) => v + (i % 2 ? 1e-9 : -1e-9));
    const expected = tsf.ultimateSmoother(Float32Array.from(wide));
    assertSameBits(tsf.ultimateSmoother(wide), expected);
    assertSameBits(tsf.ultimateSmoother(Array.from(wide)), expected);
  });

  it('leaves NaN exactly where the library writes nothing', () => {
    assert.ok(Number.isNaN(tsf.laguerreFilter(prices)[0]));
    assert.ok(tsf.laguerreFilter(prices).subarray(1).every(Number.isFinite));
    // The oscillators (the table's rows scaled by the RMS of their first
    // 100 values) need 100 samples and a window whose RMS is not zero.
    const oscillators = tsf.filterNames.filter((name, row) => filterTable[row].rmsWindow);
    assert.equal(oscillators.length, 2);
    for (const name of oscillators) {
      assert.ok(tsf[name](prices.subarray(0, 99)).every(Number.isNaN), name);
      assert.ok(tsf[name](new Float32Array(300)).every(Number.isNaN), `${name} zeros`);
      assert.ok(tsf[name](prices.subarray(0, 100)).every(Number.isFinite), name);
    }
    assert.deepEqual(tsf.highPass(prices).subarray(0, 4), new Float32Array(4));
  });

  it('does not change its input, returns new arrays and repeats itself', () => {
    const copy = prices.slice();
    const a = tsf.bandPass(prices), b = tsf.bandPass(prices);
    assert.deepEqual(prices, copy);
    assert.notEqual(a, b);
    assertSameBits(a, b);
    assert.equal(tsf.superSmoother([]).length, 0);
  });

  it('fills in the defaults, and periods the library takes as given pass through', () => {
    assertSameBits(tsf.laguerreFilter(prices), tsf.laguerreFilter(prices, { gamma: 0.8, period: 20 }));
    assertSameBits(tsf.bandPass(prices, { smoothPeriod: 10 }), tsf.bandPass(prices, { highPassPeriod: 48 }));
    for (const period of [0, 1, -5, 2147483647]) assert.equal(tsf.superSmoother(prices, { period }).length, 400);
    // gamma is any number: NaN gives NaN outputs, as in C.
    assert.ok(tsf.laguerreFilter(prices, { gamma: NaN }).subarray(1).every(Number.isNaN));
  });
});

it('the package carries the library version', async () => {
  const { readFileSync } = await import('node:fs');
  const version = readFileSync(new URL('../../VERSION', import.meta.url), 'utf8').trim();
  assert.equal(JSON.parse(readFileSync(new URL('../package.json', import.meta.url), 'utf8')).version, version);
});
