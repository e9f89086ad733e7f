// What the JavaScript boundary refuses, and what it passes on because the
// C library takes it as given.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { priceWalk } from './support.js';

const prices = priceWalk(200);

describe('values', () => {
  it('are typed float arrays or arrays of numbers: anything else is a TypeError', () => {
    for (const bad of ['1,2,3', null, undefined, 42, { length: 3 }, new Int32Array(3), new Uint8Array(4), new DataView(new ArrayBuffer(8))]) {
      assert.throws(() => tsf.superSmoother(bad), TypeError, String(bad));
      if (typeof bad !== 'number') assert.throws(() => new tsf.Stream('superSmoother').update(bad), TypeError, String(bad));
    }
    assert.throws(() => tsf.superSmoother([1, 2, '3']), /values\[2\] is the string "3", not a number/);
    assert.throws(() => new tsf.Stream('superSmoother').peek('3'), TypeError);
    assert.throws(() => tsf.superSmoother([1, null]), TypeError);
    assert.throws(() => tsf.superSmoother([1, , 3]), TypeError); // a hole
  });

  it('refuses detached and shared buffers', () => {
    const detached = new Float32Array(8);
    structuredClone(detached.buffer, { transfer: [detached.buffer] });
    assert.throws(() => tsf.highPass(detached), /detached/);
    const shared = new Float32Array(new SharedArrayBuffer(32));
    assert.throws(() => tsf.highPass(shared), /SharedArrayBuffer/);
    const lanes = new tsf.Streams('highPass', {}, 2);
    assert.throws(() => lanes.update(new Float32Array(2), detached), TypeError);
    lanes.free();
  });

  it('are at most int32 long, and are read before the module grows for them', () => {
    assert.throws(() => tsf.superSmoother(new Array(2 ** 31)), /at most 2147483647/);
    assert.equal(tsf.superSmoother(prices).length, 200); // and the module still works
  });
});

describe('parameters', () => {
  it('are integers for periods, numbers for gamma', () => {
    assert.throws(() => tsf.superSmoother(prices, { period: '10' }), TypeError);
    assert.throws(() => tsf.superSmoother(prices, { period: null }), TypeError);
    for (const period of [2.5, NaN, Infinity, -Infinity, 2 ** 31, -(2 ** 31) - 1]) {
      assert.throws(() => tsf.superSmoother(prices, { period }), RangeError, String(period));
      assert.throws(() => new tsf.Stream('bandPass', { smoothPeriod: period }), RangeError, String(period));
    }
    assert.throws(() => tsf.laguerreFilter(prices, { gamma: '0.5' }), TypeError);
    assert.throws(() => tsf.superSmoother(prices, null), TypeError);
    assert.throws(() => tsf.superSmoother(prices, 10), TypeError);
  });

  it('name only what the filter takes', () => {
    assert.throws(() => tsf.superSmoother(prices, { peroid: 10 }), /unknown parameter 'peroid'/);
    assert.throws(() => tsf.bandPass(prices, { period: 10 }), /highPassPeriod, smoothPeriod/);
    assert.throws(() => new tsf.Stream('SuperSmoother'), /unknown filter kind/);
    assert.throws(() => new tsf.Streams('highPass', {}, 0), RangeError);
    assert.throws(() => new tsf.Streams('highPass', [{}, {}], 3), RangeError);
  });
});

describe('saved states', () => {
  const stream = () => {
    const s = new tsf.Stream('laguerreOscillator', { gamma: 0.5, period: 10 });
    s.update(prices.subarray(0, 120));
    return s;
  };

  it('that are damaged, cut short or not states give the library error, and change nothing', () => {
    const good = stream().save();
    const flipped = good.slice();
    flipped[40] ^= 0x10;
    const foreign = new TextEncoder().encode('date,close\n2024-01-02,71.65\n'.repeat(4));
    const wrongVersion = good.slice();
    wrongVersion[4] = 9;
    const cases = [
      [good.subarray(0, 50), /truncated/i, -6],
      [flipped, /checksum/i, -7],
      [foreign, /not a saved stream/i, -4],
      [new Uint8Array(0), /./, undefined],
    ];
    const s = stream();
    const before = s.save();
    for (const [bytes, message, code] of cases) {
      assert.throws(() => tsf.Stream.load(bytes), (e) => e instanceof tsf.TsfiltersError && message.test(e.message) && (code === undefined || e.code === code));
      assert.throws(() => s.restore(bytes), tsf.TsfiltersError);
      assert.deepEqual(s.save(), before);
    }
    assert.throws(() => tsf.Stream.load(wrongVersion), tsf.TsfiltersError);
    assert.throws(() => tsf.Stream.load('TSFS'), TypeError);
    assert.throws(() => tsf.Stream.load([1, 2, 3]), TypeError);
    assert.equal(s.kind, 'laguerreOscillator');
  });

  it('load takes the saved kind and parameters; restore the parameters of its own kind only', () => {
    const loaded = tsf.Stream.load(stream().save().buffer);
    assert.equal(loaded.kind, 'laguerreOscillator');
    assert.deepEqual(loaded.params, { gamma: 0.5, period: 10 });
    assert.equal(loaded.samples, 120);
    const s = new tsf.Stream('laguerreOscillator');
    s.restore(loaded.save());
    assert.deepEqual([s.params, s.samples], [{ gamma: 0.5, period: 10 }, 120]);
    // Another kind would make the stream's kind (and its static type) lie.
    const other = new tsf.Stream('highPass');
    other.update(prices.subarray(0, 5));
    const before = other.save();
    assert.throws(() => other.restore(loaded.save()), (e) => e instanceof TypeError &&
      /highPass\.restore: the saved state is a laguerreOscillator stream.*Stream\.load/.test(e.message));
    assert.deepEqual([other.kind, other.save()], ['highPass', before]);
  });
});

describe('freed streams', () => {
  it('throw a clear error, and free twice is harmless', () => {
    const s = new tsf.Stream('superSmoother');
    s.free();
    s.free();
    assert.throws(() => s.update(1), /freed/);
    assert.throws(() => s.save(), /freed/);
    const lanes = new tsf.Streams('superSmoother', {}, 4);
    lanes[Symbol.dispose]();
    assert.throws(() => lanes.update(new Float32Array(4)), /freed/);
  });
});
