// Values from user code that fights back: getters and Proxies that run in
// the middle of a call (growing the module's memory, shortening the array,
// freeing the stream, re-entering the package) and typed arrays whose own
// properties lie. No call may read another call's memory, write another
// stream's, or give a number that is not the library's.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { instance } from '../src/module.js';
import { assertSameBits, priceWalk } from './support.js';

const prices = priceWalk(300);
const moduleBytes = () => instance().exports.memory.buffer.byteLength;

// An array of `prices` whose element `at` runs `act` when read.
function trapped(at, act) {
  const values = Array.from(prices);
  Object.defineProperty(values, at, {
    get() {
      act(values);
      return prices[at];
    },
  });
  return values;
}

// Grows the module's memory by far more than it holds now.
const growMemory = () => {
  const before = moduleBytes();
  tsf.highPass(new Float32Array(before / 2));
  assert.ok(moduleBytes() > before);
};

describe('re-entry while values are read', () => {
  it('a getter that grows the module memory leaves the outputs the library\'s', () => {
    assertSameBits(tsf.superSmoother(trapped(10, growMemory)), tsf.superSmoother(prices));
    const s = new tsf.Stream('laguerreFilter');
    assertSameBits(s.update(trapped(150, growMemory)), new tsf.Stream('laguerreFilter').update(prices));
    const lanes = new tsf.Streams('ultimateSmoother', {}, 3);
    const rows = Array.from({ length: 300 }, (_, i) => prices[i]);
    Object.defineProperty(rows, 200, { get: () => (growMemory(), prices[200]) });
    const expected = new tsf.Streams('ultimateSmoother', {}, 3).update(prices);
    assertSameBits(lanes.update(rows), expected);
  });

  it('a batch call re-entered from a getter reads into its own buffer, not the outer call\'s', () => {
    // The outer read borrows the package's kept buffer; the inner call must
    // neither write into it nor be read from it.
    const other = Array.from(prices, (v) => 2 * v + 1);
    let inner;
    const outer = tsf.ultimateSmoother(trapped(200, () => { inner = tsf.ultimateSmoother(other); }), { period: 12 });
    assertSameBits(outer, tsf.ultimateSmoother(prices, { period: 12 }));
    assertSameBits(inner, tsf.ultimateSmoother(Float32Array.from(other)));
    // A refused read leaves the kept buffer to the next call.
    assert.throws(() => tsf.superSmoother([...prices.slice(0, 5), 'x']), TypeError);
    assertSameBits(tsf.superSmoother(Array.from(prices)), tsf.superSmoother(Float32Array.from(prices)));
  });

  it('a getter that shortens the array gets a TypeError, and nothing is fed', () => {
    const s = new tsf.Stream('superSmoother');
    assert.throws(() => s.update(trapped(3, (v) => { v.length = 5; })), /\[5\] is undefined/);
    assert.equal(s.samples, 0);
    assert.throws(() => tsf.highPass(trapped(3, (v) => { v.length = 5; })), TypeError);
  });

  it('a stream freed during its own call makes that call fail cleanly', () => {
    const s = new tsf.Stream('laguerreOscillator');
    assert.throws(() => s.update(trapped(7, () => s.free())), /has been freed/);
    const lanes = new tsf.Streams('highPass', {}, 2);
    assert.throws(() => lanes.update(trapped(7, () => lanes.free())), /have been freed/);
    const restored = new tsf.Stream('highPass');
    const saved = new tsf.Stream('bandPass').save();
    const lying = new Proxy(saved, {});
    assert.throws(() => restored.restore(lying), TypeError); // a Proxy is no Uint8Array
  });

  it('a stream freed and another created in its place is never written by the outer call', () => {
    let victim;
    const s = new tsf.Stream('superSmoother');
    const values = trapped(5, () => {
      s.free();
      victim = new tsf.Stream('superSmoother'); // likely in the freed block
    });
    assert.throws(() => s.update(values), /has been freed/);
    assert.equal(victim.samples, 0);
    assert.deepEqual(victim.save(), new tsf.Stream('superSmoother').save());
  });

  it('Streams.update re-entered from a getter: each call feeds its own rows, in order', () => {
    const lanes = new tsf.Streams('laguerreFilter', {}, 2);
    const inner = [61, 62];
    const outer = Array.from(prices.subarray(0, 20));
    Object.defineProperty(outer, 4, { get: () => (lanes.update(inner), prices[4]) });
    const got = lanes.update(outer);
    // The getter ran while the outer rows were read, before any was fed.
    const reference = new tsf.Streams('laguerreFilter', {}, 2);
    reference.update(inner);
    assertSameBits(got, reference.update(prices.subarray(0, 20)));
    assert.equal(lanes.samples, 11);
  });

  it('a Proxy array is read once per element', () => {
    const reads = new Map();
    const proxy = new Proxy(Array.from(prices), {
      get(target, key) {
        reads.set(key, (reads.get(key) ?? 0) + 1);
        return target[key];
      },
    });
    assertSameBits(tsf.bandPass(proxy), tsf.bandPass(prices));
    for (let i = 0; i < prices.length; ++i) assert.equal(reads.get(String(i)), 1, `element ${i}`);
  });
});

describe('typed arrays whose own properties lie', () => {
  it('the real length is used, never an own length', () => {
    const ten = prices.slice(0, 10);
    Object.defineProperty(ten, 'length', { value: 1000 });
    assert.equal(tsf.superSmoother(ten).length, 10);
    class Longer extends Float32Array {
      get length() {
        return 1000;
      }
    }
    assert.equal(new tsf.Stream('highPass').update(Longer.from(prices.subarray(0, 10))).length, 10);
    assert.equal(new tsf.Streams('highPass', {}, 2).update(Longer.from(prices.subarray(0, 10))).length, 10);
  });

  it('saved bytes are read whole, whatever they say of their length or buffer', () => {
    const saved = new tsf.Stream('laguerreOscillator').save();
    const short = saved.slice();
    Object.defineProperty(short, 'length', { value: 1 });
    const loaded = tsf.Stream.load(short);
    assert.equal(loaded.kind, 'laguerreOscillator');
    const other = new tsf.Stream('highPass').save();
    const lying = saved.slice();
    Object.defineProperty(lying, 'buffer', { value: other.buffer });
    Object.defineProperty(lying, 'byteLength', { value: other.byteLength });
    assert.equal(tsf.Stream.load(lying).kind, 'laguerreOscillator');
    const tagged = { [Symbol.toStringTag]: 'Uint8Array', length: 484, buffer: saved.buffer };
    assert.throws(() => tsf.Stream.load(tagged), TypeError);
  });

  it('an output array is written through its real length', () => {
    const lanes = new tsf.Streams('highPass', {}, 2);
    const out = new Float32Array(4);
    Object.defineProperty(out, 'length', { value: 2 });
    assert.equal(lanes.update(prices.subarray(0, 4), out), out);
    assertSameBits(new Float32Array(out.buffer), new tsf.Streams('highPass', {}, 2).update(prices.subarray(0, 4)));
  });
});

describe('refused before anything is allocated', () => {
  it('a long array of holes costs the module nothing', () => {
    const before = moduleBytes();
    assert.throws(() => tsf.highPass(new Array(3e8)), /values\[0\] is undefined/);
    assert.throws(() => new tsf.Stream('highPass').update(new Array(3e8)), TypeError);
    assert.equal(moduleBytes(), before);
  });

  it('a hole among per-lane parameters is named', () => {
    const before = moduleBytes();
    // eslint-disable-next-line no-sparse-arrays
    assert.throws(() => new tsf.Streams('highPass', [, {}]), /lane 0 has no parameters/);
    // eslint-disable-next-line no-sparse-arrays
    assert.throws(() => new tsf.Streams('highPass', [{}, , {}]), /lane 1 has no parameters/);
    assert.equal(moduleBytes(), before);
  });

  it('kind, params and lanes cannot be changed from outside', () => {
    const s = new tsf.Stream('highPass');
    assert.throws(() => { s.kind = 'nonsense'; }, TypeError);
    assert.equal(s.kind, 'highPass');
    const lanes = new tsf.Streams('highPass', {}, 2);
    assert.throws(() => { lanes.lanes = 5; }, TypeError);
    assert.equal(lanes.lanes, 2);
  });
});
