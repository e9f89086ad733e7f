// Every refusal names the argument and what was expected, with the class a
// caller can branch on: TypeError, RangeError, or TsfiltersError and its code.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';

const detach = (buffer) => structuredClone(buffer, { transfer: [buffer] });
const rejects = (fn, type, pattern) => assert.throws(fn, (e) => {
  assert.equal(e.constructor, type, `${e.constructor.name}: ${e.message}`);
  assert.match(e.message, pattern);
  assert.doesNotMatch(e.message, /undefined undefined|\ba [AEIO]|\ban U/);
  return true;
});

describe('error messages', () => {
  it('say what a wrong value is, with the right article', () => {
    rejects(() => tsf.highPass(new Int32Array(3)), TypeError, /highPass: values: expected a Float32Array.*got an Int32Array/);
    rejects(() => tsf.highPass(new Uint8Array(3)), TypeError, /got a Uint8Array/);
    rejects(() => tsf.highPass(new ArrayBuffer(8)), TypeError, /got an ArrayBuffer/);
    rejects(() => tsf.highPass(undefined), TypeError, /got undefined$/);
    rejects(() => tsf.highPass([1, Symbol('x')]), TypeError, /values\[1\] is a symbol/);
    rejects(() => new tsf.Stream('bandpass'), TypeError, /kind: expected one of highPass, .*got the string "bandpass"/);
    rejects(() => new tsf.Stream('superSmoother', { period: '10' }), TypeError, /superSmoother: period must be a number, got the string "10"/);
    rejects(() => new tsf.Stream('superSmoother', { period: 1.5 }), RangeError, /period must be an integer/);
  });

  it('name the lanes of Streams and what they must be', () => {
    rejects(() => new tsf.Streams('superSmoother'), TypeError, /superSmoother: lanes must be a number of lanes from 1 to \d+, got undefined \(give it, or an array/);
    rejects(() => new tsf.Streams('superSmoother', {}, '4'), TypeError, /lanes must be .*got the string "4"/);
    rejects(() => new tsf.Streams('superSmoother', {}, 0), RangeError, /lanes must be an integer from 1/);
    const lanes = new tsf.Streams('superSmoother', {}, 2);
    rejects(() => lanes.save(2), RangeError, /lane must be an integer from 0 to 1, got number 2/);
    rejects(() => lanes.update([1, 2], new Int32Array(2)), TypeError, /output must be a Float32Array of 2 values, got an Int32Array/);
    rejects(() => lanes.update([1, 2], new Float32Array(3)), TypeError, /output must be a Float32Array of 2 values, got one of 3/);
    lanes.free();
  });

  it('call a detached array detached', () => {
    const lanes = new tsf.Streams('highPass', {}, 4);
    const output = new Float32Array(4).fill(-7);
    detach(output.buffer);
    rejects(() => lanes.update([1, 2, 3, 4], output), TypeError, /lanes update: output: its ArrayBuffer is detached/);
    assert.equal(lanes.samples, 0);
    lanes.free();
    const saved = new tsf.Stream('highPass').save();
    const buffer = saved.buffer.slice(0);
    detach(buffer);
    rejects(() => tsf.Stream.load(buffer), TypeError, /Stream\.load: the ArrayBuffer is detached/);
    const view = saved.slice();
    detach(view.buffer);
    rejects(() => tsf.Stream.load(view), TypeError, /Stream\.load: its ArrayBuffer is detached/);
    const s = new tsf.Stream('highPass');
    rejects(() => s.restore(buffer), TypeError, /highPass\.restore: the ArrayBuffer is detached/);
    rejects(() => tsf.Stream.load('bytes'), TypeError, /Stream\.load: expected a saved stream as a Uint8Array or an ArrayBuffer, got the string/);
  });

  it('give a freed stream a TsfiltersError with the library code of a non-stream', () => {
    const s = new tsf.Stream('superSmoother');
    s.free();
    const lanes = new tsf.Streams('bandPass', {}, 3);
    lanes.free();
    for (const call of [() => s.update(1), () => s.peek(1), () => s.samples, () => s.save(), () => s.reset(),
      () => lanes.update([1, 2, 3]), () => lanes.save(0)]) {
      rejects(call, tsf.TsfiltersError, /(this superSmoother stream has|these bandPass lanes have) been freed/);
      assert.throws(call, { code: -3, name: 'TsfiltersError' });
    }
  });
});

describe('read-only properties', () => {
  it('kind, params, lanes and missing cannot be assigned', () => {
    const s = new tsf.Stream('laguerreFilter', { gamma: 0.25 });
    const lanes = new tsf.Streams('highPass', {}, 2);
    assert.throws(() => { s.kind = 'nonsense'; }, TypeError);
    assert.throws(() => { s.params = { gamma: 0.9, period: 3 }; }, TypeError);
    assert.throws(() => { s.params.gamma = 0.9; }, TypeError);
    assert.throws(() => { s.missing = 'keep'; }, TypeError);
    assert.throws(() => { lanes.lanes = 1000; }, TypeError);
    assert.throws(() => { lanes.kind = 'superSmoother'; }, TypeError);
    assert.throws(() => { lanes.params[0].period = 3; }, TypeError);
    assert.deepEqual([s.kind, s.params, s.missing, lanes.lanes, lanes.kind], ['laguerreFilter', { gamma: 0.25, period: 20 }, 'error', 2, 'highPass']);
    s.free();
    lanes.free();
  });
});
