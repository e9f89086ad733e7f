// Stream.update(x) and peek(x) past the warm-up run in JavaScript on the
// stream's own state: every output, every byte of the state and every
// error must be the module's. Each case runs a stream of each path side by
// side on the same ticks.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { crc32 } from 'node:zlib';
import * as tsf from '../src/index.js';
import { byName } from '../src/filters.js';
import { instance } from '../src/module.js';
import { steadyStep, steadySteps } from '../src/steady_steps.js';
import { priceWalk } from './support.js';

// A stream that never steps in JavaScript: every sample goes to the module.
function moduleStream(kind, params, options) {
  steadySteps.enabled = false;
  try {
    return new tsf.Stream(kind, params, options);
  } finally {
    steadySteps.enabled = true;
  }
}
const moduleLoad = (bytes, options) => {
  steadySteps.enabled = false;
  try {
    return tsf.Stream.load(bytes, options);
  } finally {
    steadySteps.enabled = true;
  }
};

const bytesHex = (b) => Buffer.from(b).toString('hex');

// Feeds `ticks` one by one to both, comparing each output (Object.is:
// -0 and +0 differ, every NaN is NaN), a peek before every third tick, and
// the saved bytes every few ticks.
function assertInStep(fast, slow, ticks, what) {
  for (let i = 0; i < ticks.length; ++i) {
    const x = ticks[i];
    if (i % 3 === 0) {
      const p = fast.peek(x);
      assert.ok(Object.is(p, slow.peek(x)), `${what}: peek at tick ${i} (${x}): ${p}`);
    }
    const y = fast.update(x);
    const expected = slow.update(x);
    if (!Object.is(y, expected)) assert.fail(`${what}: tick ${i} (${x}): ${y} vs ${expected}`);
    if (i % 5 === 4 || i === ticks.length - 1) {
      assert.equal(bytesHex(fast.save()), bytesHex(slow.save()), `${what}: state after tick ${i}`);
    }
  }
  assert.equal(fast.samples, slow.samples, what);
}

// Ticks a feed meets: a walk, a halt (the high-pass decays to subnormals),
// huge and tiny magnitudes, zeros of both signs, doubles binary32 rounds.
function hardTicks(n, seed) {
  const walk = Array.from(priceWalk(n, seed));
  const halt = new Array(150).fill(walk[n - 1]);
  const tiny = walk.slice(0, 60).map((v) => v * 1e-40);
  const huge = walk.slice(0, 60).map((v) => v * 1e34);
  const signs = [0, -0, 0, -0, 1e-45, -1e-45, 0.1, 1 / 3, 100.00000001, -7];
  // Neighbours of very different sizes, where every binary32 rounding of
  // the high-pass's difference and of the pair sum shows.
  const mixed = walk.slice(0, 80).map((v, i) => (v - 100) * 10 ** (((i * 7919) % 17) - 8));
  // A big sample, a small one, then nearly the big one's negative: the
  // second difference cancels, and only binary32 steps lose the small one.
  const cancel = Array.from({ length: 30 }, (_, i) => [1e6 + i, 1e-3 * (i + 1), 0.5 - (1e6 + i)]).flat();
  return [...walk, ...halt, ...tiny, ...signs, ...huge, ...mixed, ...cancel, ...walk.slice(0, 40)];
}

const PARAMETER_SETS = {
  highPass: [{ period: 1 }, { period: 2 }, { period: 7 }, { period: 48 }, { period: 5000 }],
  superSmoother: [{ period: 1 }, { period: 3 }, { period: 10 }, { period: 857 }, { period: 100000 }],
  ultimateSmoother: [{ period: 1 }, { period: 4 }, { period: 31 }, { period: 2000 }],
  bandPass: [{ highPassPeriod: 48, smoothPeriod: 10 }, { highPassPeriod: 3, smoothPeriod: 1 },
    { highPassPeriod: 999, smoothPeriod: 77 }],
  cyberneticOscillator: [{}, { highPassPeriod: 25, smoothPeriod: 4 }, { highPassPeriod: 5, smoothPeriod: 300 }],
  laguerreFilter: [{}, { gamma: 0.3, period: 13 }, { gamma: 1e-7, period: 5 }, { gamma: 0.9999999, period: 40 },
    { gamma: 0, period: 20 }, { gamma: 1, period: 3 }],
  laguerreOscillator: [{}, { gamma: 0.6, period: 9 }, { gamma: 1e-7, period: 2 }, { gamma: 0.9999999, period: 100 }],
};

describe('Stream steps in JavaScript give the module\'s bits', () => {
  it('every kind steps in JavaScript once past its warm-up, not before', () => {
    const wasm = instance();
    // The layout's own answers: its size when asked with no room, and
    // refusals that write nothing.
    const layout = wasm.exports.tsf_stream_layout;
    assert.equal(layout(0, 0, 0), -2);
    assert.equal(layout(8, 0, 99), -2);
    assert.equal(layout(2, 0, 0), 8);
    assert.equal(layout(2, 0, 8), -1);
    assert.equal(layout(5, 0, 0), 16);
    for (const kind of tsf.filterNames) {
      const filter = byName.get(kind);
      const early = filter.rmsWindow ? 100 : filter.warmup;
      const s = moduleStream(kind);
      const at = wasm.malloc(768);
      const saved = wasm.malloc(1024);
      try {
        const step = steadyStep(wasm, filter, at);
        assert.equal(typeof step, 'function', kind);
        for (const [fed, stepsHere] of [[early - 1, false], [early, true], [early + 50, true]]) {
          s.reset();
          s.update(priceWalk(fed, 19));
          const bytes = s.save();
          wasm.views();
          wasm.u8.set(bytes, saved);
          assert.equal(wasm.exports.tsf_stream_load(at, saved, bytes.length), 0);
          const y = step(101.5, true);
          assert.equal(y !== undefined, stepsHere, `${kind} after ${fed} samples`);
          if (!stepsHere) continue;
          assert.ok(Object.is(y, s.update(101.5)), kind);
          const n = wasm.exports.tsf_stream_save(at, saved, 1024);
          wasm.views();
          assert.equal(bytesHex(wasm.u8.slice(saved, saved + n)), bytesHex(s.save()), kind);
        }
      } finally {
        wasm.free(at);
        wasm.free(saved);
        s.free();
      }
    }
  });

  for (const kind of tsf.filterNames) {
    it(`${kind}: outputs, peeks and saved bytes, tick by tick, for several parameter sets`, () => {
      PARAMETER_SETS[kind].forEach((params, k) => {
        const fast = new tsf.Stream(kind, params, { missing: 'keep' });
        const slow = moduleStream(kind, params, { missing: 'keep' });
        assertInStep(fast, slow, hardTicks(400, 7 + k), `${kind} ${JSON.stringify(params)}`);
        fast.free();
        slow.free();
      });
    });
  }

  it('parameters whose arithmetic overflows or gives NaN, and poisoned states', () => {
    const wild = {
      highPass: [{ period: 0 }, { period: -3 }],
      superSmoother: [{ period: 0 }, { period: -1 }],
      ultimateSmoother: [{ period: -2 }],
      bandPass: [{ highPassPeriod: -5, smoothPeriod: 3 }],
      cyberneticOscillator: [{ highPassPeriod: 0, smoothPeriod: 0 }],
      laguerreFilter: [{ gamma: 1e30, period: 10 }, { gamma: -3, period: 10 }, { gamma: NaN, period: 10 }],
      laguerreOscillator: [{ gamma: 1e30, period: 10 }, { gamma: 2, period: 7 }],
    };
    for (const [kind, sets] of Object.entries(wild)) {
      for (const params of sets) {
        const fast = new tsf.Stream(kind, params, { missing: 'keep' });
        const slow = moduleStream(kind, params, { missing: 'keep' });
        assertInStep(fast, slow, hardTicks(200, 3), `${kind} ${JSON.stringify(params)}`);
      }
    }
    // Kept NaN and infinite samples poison a healthy stream; reset heals it.
    for (const kind of tsf.filterNames) {
      const fast = new tsf.Stream(kind, undefined, { missing: 'keep' });
      const slow = moduleStream(kind, undefined, { missing: 'keep' });
      const ticks = Array.from(priceWalk(300, 5));
      ticks[150] = Infinity;
      ticks[210] = -Infinity;
      ticks[260] = NaN;
      ticks[130] = 3.5e38; // finite, infinite in binary32
      assertInStep(fast, slow, ticks, `${kind} poisoned`);
      fast.reset();
      slow.reset();
      assertInStep(fast, slow, Array.from(priceWalk(150, 6)), `${kind} reset`);
    }
  });

  it('missing values dropped and warm-up blanked as before', () => {
    for (const kind of tsf.filterNames) {
      for (const options of [{ missing: 'drop' }, { warmup: 'nan' }, { missing: 'drop', warmup: 'nan' }]) {
        const fast = new tsf.Stream(kind, undefined, options);
        const slow = moduleStream(kind, undefined, options);
        const ticks = Array.from(priceWalk(260, 9));
        if (options.missing) for (const i of [3, 50, 101, 102, 200]) ticks[i] = i % 2 ? NaN : -Infinity;
        assertInStep(fast, slow, ticks, `${kind} ${JSON.stringify(options)}`);
      }
      const strict = new tsf.Stream(kind);
      strict.update(priceWalk(120));
      assert.throws(() => strict.update(NaN), RangeError);
      assert.throws(() => strict.peek(Infinity), RangeError);
      assert.equal(strict.samples, 120);
    }
  });

  it('save, load and restore between ticks stepped in JavaScript', () => {
    for (const kind of tsf.filterNames) {
      const fast = new tsf.Stream(kind, PARAMETER_SETS[kind][1]);
      const slow = moduleStream(kind, PARAMETER_SETS[kind][1]);
      assertInStep(fast, slow, Array.from(priceWalk(130, 11)), kind);
      const then = fast.save();
      const loaded = tsf.Stream.load(then);
      assertInStep(loaded, slow, Array.from(priceWalk(40, 12)), `${kind} loaded`);
      const again = moduleLoad(then);
      assertInStep(fast, again, Array.from(priceWalk(20, 13)), `${kind} on`);
      // Over the state those ticks left, the one the others reached.
      fast.restore(slow.save());
      assertInStep(fast, slow, Array.from(priceWalk(30, 14)), `${kind} restored`);
      again.free();
      for (const s of [fast, slow, loaded]) s.free();
      assert.throws(() => fast.update(1), /freed/);
      assert.throws(() => fast.peek(1), /freed/);
    }
  });

  it('the sample count across 2^32 and up to its limit of 2^53, where the module refuses', () => {
    // A saved state whose count is `count`, the CRC made again.
    const withCount = (bytes, count) => {
      const b = new Uint8Array(bytes);
      const view = new DataView(b.buffer);
      view.setBigInt64(24, BigInt(count), true);
      view.setUint32(b.length - 4, crc32(b.subarray(0, b.length - 4)), true);
      return b;
    };
    for (const kind of tsf.filterNames) {
      const start = moduleStream(kind);
      start.update(priceWalk(150, 15));
      for (const count of [2 ** 32 - 2, 2 ** 53 - 3]) {
        const bytes = withCount(start.save(), count);
        const fast = tsf.Stream.load(bytes);
        const slow = moduleLoad(bytes);
        assertInStep(fast, slow, Array.from(priceWalk(3, 16)), `${kind} from ${count}`);
        assert.equal(fast.samples, count + 3);
        if (count === 2 ** 53 - 3) {
          assert.throws(() => fast.update(100), /2\^53/);
          assert.equal(bytesHex(fast.save()), bytesHex(slow.save()));
          assert.ok(Object.is(fast.peek(100), slow.peek(100)));
        }
        fast.free();
        slow.free();
      }
      start.free();
    }
  });

  it('keeps working when the module\'s memory grows between ticks', () => {
    const wasm = instance();
    for (const kind of ['superSmoother', 'laguerreOscillator']) {
      const fast = new tsf.Stream(kind);
      const slow = moduleStream(kind);
      assertInStep(fast, slow, Array.from(priceWalk(120, 17)), kind);
      const size = wasm.exports.memory.buffer.byteLength;
      const many = [];
      while (wasm.exports.memory.buffer.byteLength === size) many.push(new tsf.Stream('highPass'));
      assert.ok(many.length > 0);
      assertInStep(fast, slow, Array.from(priceWalk(50, 18)), `${kind} after growth`);
      for (const s of many) s.free();
      fast.free();
      slow.free();
    }
  });
});
