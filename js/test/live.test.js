// What a live feed meets: a bad tick (NaN, or a number binary32 cannot
// hold), a stream that needs starting over, warm-up values that look like
// prices, and periods too long for single precision.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { assertSameBits, priceWalk } from './support.js';

const prices = priceWalk(300);
const BIG = 3.5e38; // finite, but infinite in binary32

describe('missing values in streams', () => {
  it('error (the default) refuses a bad value and feeds nothing of the call', () => {
    for (const bad of [NaN, Infinity, -BIG]) {
      const s = new tsf.Stream('laguerreFilter');
      s.update(prices.subarray(0, 10));
      assert.throws(() => s.update(bad), RangeError);
      assert.throws(() => s.update([70, 71, bad, 72]), /position 2/);
      assert.throws(() => s.peek(bad), RangeError);
      assert.equal(s.samples, 10);
    }
    const lanes = new tsf.Streams('highPass', {}, 3);
    assert.throws(() => lanes.update([1, 2, 3, 4, NaN, 6]), /lane 1 of row 1/);
    assert.equal(lanes.samples, 0);
  });

  it('drop skips the value: the next real one gives what it would have without it', () => {
    for (const kind of tsf.filterNames) {
      const s = new tsf.Stream(kind, undefined, { missing: 'drop' });
      const bad = Array.from(prices);
      bad[120] = NaN;
      bad[121] = BIG;
      const got = s.update(bad.slice(0, 200));
      assert.ok(Number.isNaN(s.update(Infinity)) && Number.isNaN(s.peek(NaN)));
      const rest = s.update(bad.slice(200));
      const clean = new tsf.Stream(kind).update(bad.filter((_, i) => i !== 120 && i !== 121));
      const kept = [...got, ...rest].filter((_, i) => i !== 120 && i !== 121);
      assertSameBits(kept, clean, kind);
      assert.ok(Number.isNaN(got[120]) && Number.isNaN(got[121]));
    }
  });

  it('drop in lanes: a lane without a value waits, the others advance', () => {
    const lanes = 4;
    const rows = 150;
    const table = new Float32Array(rows * lanes);
    for (let t = 0; t < rows; ++t) for (let j = 0; j < lanes; ++j) table[t * lanes + j] = prices[t + 10 * j];
    const holes = [[30, 1], [31, 1], [90, 3], [140, 0]];
    for (const [t, j] of holes) table[t * lanes + j] = t === 31 ? -BIG : NaN;
    const streams = new tsf.Streams('cyberneticOscillator', {}, lanes, { missing: 'drop' });
    const out = new Float32Array(rows * lanes);
    out.set(streams.update(table.subarray(0, 100 * lanes)));
    out.set(streams.update(table.subarray(100 * lanes)), 100 * lanes);
    for (let j = 0; j < lanes; ++j) {
      const skip = new Set(holes.filter(([, l]) => l === j).map(([t]) => t));
      const column = [], given = [];
      for (let t = 0; t < rows; ++t) {
        if (skip.has(t)) {
          assert.ok(Number.isNaN(out[t * lanes + j]));
          continue;
        }
        column.push(out[t * lanes + j]);
        given.push(table[t * lanes + j]);
      }
      assertSameBits(column, new tsf.Stream('cyberneticOscillator').update(given), `lane ${j}`);
    }
  });

  it('keep feeds the value as given; reset is the way back', () => {
    const s = new tsf.Stream('superSmoother', { period: 12 }, { missing: 'keep' });
    s.update(prices.subarray(0, 50));
    s.update(NaN);
    assert.ok(Number.isNaN(s.update(70)));
    s.reset();
    assert.equal(s.samples, 0);
    assertSameBits(s.update(prices), tsf.superSmoother(prices, { period: 12 }));
    const lanes = new tsf.Streams('highPass', [{ period: 5 }, { period: 9 }], undefined, { missing: 'keep' });
    lanes.update([NaN, 1]);
    lanes.reset();
    assert.deepEqual(lanes.save(0), new tsf.Stream('highPass', { period: 5 }).save());
    assert.deepEqual(lanes.save(1), new tsf.Stream('highPass', { period: 9 }).save());
    assert.throws(() => new tsf.Stream('highPass', {}, { missing: 'skip' }), TypeError);
  });

  it('the batch functions keep the library\'s IEEE behaviour', () => {
    const withNaN = Array.from(prices);
    withNaN[5] = NaN;
    assert.ok(Number.isNaN(tsf.superSmoother(withNaN)[299]));
  });
});

describe('warm-up as NaN', () => {
  // Computed with the Python package on the same library:
  //   tsfilters.settling.settling_length(name, **parameters)
  const fromPython = [
    ['highPass', { period: 7 }, 13],
    ['superSmoother', { period: 3 }, 5],
    ['superSmoother', {}, 23],
    ['ultimateSmoother', { period: 31 }, 29],
    ['bandPass', { highPassPeriod: 30, smoothPeriod: 5 }, 41],
    ['cyberneticOscillator', { highPassPeriod: 25, smoothPeriod: 4 }, 35],
    ['laguerreFilter', { gamma: 0.3, period: 12 }, 18],
    ['laguerreFilter', { gamma: 0.95, period: 200 }, 227],
    ['laguerreOscillator', { gamma: 0.6, period: 9 }, 15],
    ['ultimateSmoother', { period: 2000 }, 2668],
    ['superSmoother', { period: 0 }, null],
    ['laguerreFilter', { gamma: 1 }, null],
  ];

  it('settlingLength gives the Python package\'s lengths', () => {
    for (const [kind, params, length] of fromPython) assert.equal(tsf.settlingLength(kind, params), length, kind);
  });

  it('warmup: nan blanks exactly the settling length', () => {
    for (const [kind, params, length] of fromPython.slice(0, 9)) {
      const kept = tsf[kind](prices, params);
      const blanked = tsf[kind](prices, { ...params, warmup: 'nan' });
      assert.ok(blanked.subarray(0, length).every(Number.isNaN), kind);
      assertSameBits(blanked.subarray(length), kept.subarray(length), kind);
    }
    assert.ok(tsf.laguerreFilter(prices, { gamma: 1, warmup: 'nan' }).every(Number.isNaN));
    assertSameBits(tsf.highPass(prices, { warmup: 'keep' }), tsf.highPass(prices));
    assert.throws(() => tsf.highPass(prices, { warmup: 'drop' }), TypeError);
  });
});

describe('precision limits', () => {
  it('are the filter table\'s: 857 for the smoothers, none for the others', () => {
    for (const kind of tsf.filterNames) {
      const smoother = ['superSmoother', 'ultimateSmoother', 'laguerreFilter'].includes(kind);
      assert.equal(tsf.precisionLimit(kind), smoother ? 857 : null, kind);
    }
    assert.throws(() => tsf.precisionLimit('superSmother'), TypeError);
  });

  it('mean what they say: a step arrives at the limit and not beyond', () => {
    const step = (period) => {
      const x = new Float32Array(2 + Math.max(10 * period, 1000)).fill(70);
      x[0] = x[1] = 50;
      return tsf.superSmoother(x, { period }).at(-1);
    };
    assert.ok(Math.abs(step(857) - 70) <= 0.07);
    assert.ok(Math.abs(step(858) - 70) > 0.07);
  });
});
