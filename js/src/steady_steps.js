// A stream's sample computed here, in JavaScript, on the stream's own state
// in the module's memory, once the stream is past its warm-up (and an
// oscillator past its window).
//
// Why: a call into WebAssembly costs several times the step itself (some
// 35 ns against a few for the arithmetic), so Stream.update(x) of one
// sample spent most of its time getting there and back.
//
// Why it is exact: JavaScript numbers are IEEE binary64 and the language
// never fuses a multiply into an add, so each double operation of the C
// step is the same operation here; a binary32 operation is Math.fround of
// the double operation on binary32 operands, which is exact for +, -, * and
// / (binary64 carries more than twice binary32's precision plus two bits).
// Each step below does the C step's operations in the same order and
// leaves the same values in the same places, so the stream's bytes, its
// saved state and every later output are the ones tsf_stream_update gives.
// Only NaN results carry bits that neither language pins down: a sample
// whose step would store a NaN is left to the module (the step answers
// undefined), which then stores what it always stored.
//
// Where each value lives comes from the library itself (tsf_stream_layout),
// never from a guess at the C structure.
//
// Everything a step does not cover goes through the module as before: the
// warm-up, the oscillators' window, a sample that is not finite in binary32
// (left to the stream's missing-value policy), a stream at its limit of
// 2^53 samples (whose error the module reports).
import { STREAM_BYTES } from './module.js';

const fround = Math.fround;

// An oscillator's window: its scale is known once it holds 100 samples.
const WINDOW = 100;

// Off only in the tests, which compare streams stepped here with streams
// left to the module. Read when a stream is made.
export const steadySteps = { enabled: true };

// Views of one module's memory, made again when it has grown (growing
// detaches the old buffer, whose views then read as empty), and the
// layouts the module gave for each kind.
class Memory {
  constructor(wasm) {
    this.wasm = wasm;
    this.layouts = new Map();
    this.retake();
  }

  retake() {
    const buffer = this.wasm.exports.memory.buffer;
    this.f64 = new Float64Array(buffer);
    this.f32 = new Float32Array(buffer);
    this.u32 = new Uint32Array(buffer);
  }

  // The byte offsets of kind `kind`: the sample count, then its values.
  layout(kind) {
    if (!this.layouts.has(kind)) {
      const wasm = this.wasm;
      const n = wasm.exports.tsf_stream_layout(kind, 0, 0);
      let offsets = null;
      if (n > 0) {
        const at = wasm.malloc(2 * n);
        try {
          if (wasm.exports.tsf_stream_layout(kind, at, n) === n) {
            wasm.views();
            offsets = Array.from(new Uint16Array(wasm.buffer, at, n));
          }
        } finally {
          wasm.free(at);
        }
      }
      this.layouts.set(kind, offsets);
    }
    return this.layouts.get(kind);
  }
}

const memories = new WeakMap();

// Hands out the element indices of a stream's values in layout order,
// checking that each value is where a view can read it; and tells where
// the stream's sample count is, and how many early samples it has.
class Places {
  constructor(memory, at, offsets, early) {
    this.memory = memory;
    this.at = at;
    this.offsets = offsets;
    this.samples = (at + offsets[0]) / 4; // the count's low word in memory.u32
    this.early = early;
    this.next = 1; // offsets[0] is the sample count
    this.fits = true;
  }

  #take(width) {
    const offset = this.offsets[this.next++];
    if (offset === undefined || offset % width !== 0 || offset + width > STREAM_BYTES) this.fits = false;
    return (this.at + (offset ?? 0)) / width;
  }

  double() {
    return this.#take(8);
  }

  float() {
    return this.#take(4);
  }
}

// The steps' arithmetic, on numbers: each gives the output of sample x
// in binary32.

// HighPass: the second difference in binary32, each operation rounded.
function highPass(c1, c2, c3, x1, x2, y1, y2, x) {
  const d = fround(fround(x - fround(x1 + x1)) + x2);
  let t = d * c1;
  t = t + c2 * y1;
  t = t + c3 * y2;
  return fround(t);
}

// SuperSmoother: the pair sum in binary32, halved after the gain.
function superSmoother(c1, c2, c3, x1, y1, y2, x) {
  const pairSum = fround(x1 + x);
  let t = (pairSum * c1) * 0.5;
  t = t + c2 * y1;
  t = t + c3 * y2;
  return fround(t);
}

// UltimateSmoother: g0, g1, g2 the gains of x[i], x[i-1], x[i-2].
function ultimateSmoother(g0, g1, g2, c2, c3, x1, x2, y1, y2, x) {
  let t = g1 * x1;
  t = t + g0 * x;
  t = t - g2 * x2;
  t = t + c2 * y1;
  t = t + c3 * y2;
  return fround(t);
}

// One Laguerre stage, grouped as the library groups it.
function stage(gamma, previousOfStageBefore, own) {
  return (previousOfStageBefore - gamma * previousOfStageBefore) + gamma * own;
}

// The cascade's weighted sum, left to right, rounded, then scaled in
// binary32.
function laguerreSum(l0, l1, l2, l3, l5) {
  return fround(fround((((l0 + 4 * l1) + 6 * l2) + 4 * l3) + l5) * 0.0625);
}

// An oscillator's output: its value over the window's scale (binary32, NaN
// when the window's RMS was 0), divided in binary64 and rounded once.
function scaled(value, scale) {
  return fround(value / scale);
}

// ---- The kinds' steps on a stream ------------------------------------------
// Each is (x, store) => the output of sample x, or undefined where the
// module must take the sample. With `store` (an update) the step writes its
// values back and counts the sample; without (a peek) it changes nothing.
// Every value is read before any is written, and nothing is written when a
// value to store would be NaN: a NaN anywhere in what a value is computed
// from makes it NaN, so that check covers a NaN already in the state too.
// Each keeps the places it reads in constants of its own, and opens the
// same way, written out in each (as helpers, or through a shared object,
// a tick measured a fifth slower): the views, made again if the memory has
// grown; the sample, which must be finite (a missing one is the stream's
// policy's to handle); and the low word of the sample count. That word
// alone tells whether the stream may step here: one of at least `early`
// and below 2^32 - 1 says that the count is past the early samples, that
// adding 1 carries into no other word, and that the count is below 2^53
// (the one count of at most 2^53 that is not, 2^53 itself, has a low word
// of 0). The module takes the rest.

function highPassStep(p) {
  const c1 = p.double(), c2 = p.double(), c3 = p.double();
  const x1 = p.float(), x2 = p.float(), y1 = p.double(), y2 = p.double();
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f32 = memory.f32, f64 = memory.f64, u32 = memory.u32;
    const xf = fround(x);
    if (xf - xf !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const px = f32[x1], py = f64[y1];
    const y = highPass(f64[c1], f64[c2], f64[c3], px, f32[x2], py, f64[y2], xf);
    if (y !== y) return undefined;
    if (store) {
      f32[x2] = px, f32[x1] = xf, f64[y2] = py, f64[y1] = y;
      u32[count] = lo + 1;
    }
    return y;
  };
}

function superSmootherStep(p) {
  const c1 = p.double(), c2 = p.double(), c3 = p.double();
  const x1 = p.float(), x2 = p.float(), y1 = p.double(), y2 = p.double();
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f32 = memory.f32, f64 = memory.f64, u32 = memory.u32;
    const xf = fround(x);
    if (xf - xf !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const px = f32[x1], py = f64[y1];
    const y = superSmoother(f64[c1], f64[c2], f64[c3], px, py, f64[y2], xf);
    if (y !== y) return undefined;
    if (store) {
      f32[x2] = px, f32[x1] = xf, f64[y2] = py, f64[y1] = y;
      u32[count] = lo + 1;
    }
    return y;
  };
}

function ultimateSmootherStep(p) {
  const g0 = p.double(), g1 = p.double(), g2 = p.double(), c2 = p.double(), c3 = p.double();
  const x1 = p.double(), x2 = p.double(), y1 = p.double(), y2 = p.double();
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f64 = memory.f64, u32 = memory.u32;
    const xd = fround(x);
    if (xd - xd !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const px = f64[x1], py = f64[y1];
    const y = ultimateSmoother(f64[g0], f64[g1], f64[g2], f64[c2], f64[c3], px, f64[x2], py, f64[y2], xd);
    if (y !== y) return undefined;
    if (store) {
      f64[x2] = px, f64[x1] = xd, f64[y2] = py, f64[y1] = y;
      u32[count] = lo + 1;
    }
    return y;
  };
}

// BandPass, and with `scale` the cybernetic oscillator: HighPass, then
// SuperSmoother on its output.
function bandPassStep(p, withScale = false) {
  const h1 = p.double(), h2 = p.double(), h3 = p.double();
  const hx1 = p.float(), hx2 = p.float(), hy1 = p.double(), hy2 = p.double();
  const s1 = p.double(), s2 = p.double(), s3 = p.double();
  const sx1 = p.float(), sx2 = p.float(), sy1 = p.double(), sy2 = p.double();
  const scale = withScale ? p.float() : -1;
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f32 = memory.f32, f64 = memory.f64, u32 = memory.u32;
    const xf = fround(x);
    if (xf - xf !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const hpx = f32[hx1], hpy = f64[hy1];
    const h = highPass(f64[h1], f64[h2], f64[h3], hpx, f32[hx2], hpy, f64[hy2], xf);
    const spx = f32[sx1], spy = f64[sy1];
    const y = superSmoother(f64[s1], f64[s2], f64[s3], spx, spy, f64[sy2], h);
    if (y !== y) return undefined; // h is part of y
    if (store) {
      f32[hx2] = hpx, f32[hx1] = xf, f64[hy2] = hpy, f64[hy1] = h;
      f32[sx2] = spx, f32[sx1] = h, f64[sy2] = spy, f64[sy1] = y;
      u32[count] = lo + 1;
    }
    return withScale ? scaled(y, f32[scale]) : y;
  };
}

// The values of UltimateSmoother's step, which both Laguerre kinds start
// with, in the library's order.
function ultimateValues(p) {
  return [p.double(), p.double(), p.double(), p.double(), p.double(), p.double(), p.double(), p.double(), p.double()];
}

function laguerreFilterStep(p) {
  const [g0, g1, g2, c2, c3, x1, x2, y1, y2] = ultimateValues(p);
  const gamma = p.double(), l0 = p.double();
  const l1 = p.double(), l2 = p.double(), l3 = p.double(), l4 = p.double(), l5 = p.double();
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f64 = memory.f64, u32 = memory.u32;
    const xd = fround(x);
    if (xd - xd !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const px = f64[x1], py = f64[y1];
    const u = ultimateSmoother(f64[g0], f64[g1], f64[g2], f64[c2], f64[c3], px, f64[x2], py, f64[y2], xd);
    const g = f64[gamma], o1 = f64[l1], o2 = f64[l2], o3 = f64[l3], o4 = f64[l4];
    const n1 = stage(g, f64[l0], o1), n2 = stage(g, o1, o2), n3 = stage(g, o2, o3), n4 = stage(g, o3, o4),
      n5 = stage(g, o4, f64[l5]);
    // A NaN among them makes the sum NaN (and so, harmlessly, may
    // infinities of both signs: the module then takes the sample).
    const all = u + n1 + n2 + n3 + n4 + n5;
    if (all !== all) return undefined;
    if (store) {
      f64[x2] = px, f64[x1] = xd, f64[y2] = py, f64[y1] = u;
      f64[l0] = u, f64[l1] = n1, f64[l2] = n2, f64[l3] = n3, f64[l4] = n4, f64[l5] = n5;
      u32[count] = lo + 1;
    }
    return laguerreSum(u, n1, n2, n3, n5);
  };
}

function laguerreOscillatorStep(p) {
  const [g0, g1, g2, c2, c3, x1, x2, y1, y2] = ultimateValues(p);
  const gamma = p.double(), l0 = p.double(), l1 = p.double();
  const scale = p.float();
  const memory = p.memory, count = p.samples, early = p.early;
  return (x, store) => {
    if (memory.f64.length === 0) memory.retake();
    const f32 = memory.f32, f64 = memory.f64, u32 = memory.u32;
    const xd = fround(x);
    if (xd - xd !== 0) return undefined;
    const lo = u32[count];
    if (lo < early || lo === 0xffffffff) return undefined;
    const px = f64[x1], py = f64[y1];
    const u = ultimateSmoother(f64[g0], f64[g1], f64[g2], f64[c2], f64[c3], px, f64[x2], py, f64[y2], xd);
    const n1 = stage(f64[gamma], f64[l0], f64[l1]);
    if (n1 !== n1 || u !== u) return undefined;
    if (store) {
      f64[x2] = px, f64[x1] = xd, f64[y2] = py, f64[y1] = u;
      f64[l0] = u, f64[l1] = n1;
      u32[count] = lo + 1;
    }
    return scaled(fround(u - n1), f32[scale]); // the difference in binary64, rounded once
  };
}

const STEPS = {
  highPass: highPassStep,
  superSmoother: superSmootherStep,
  ultimateSmoother: ultimateSmootherStep,
  bandPass: (p) => bandPassStep(p),
  cyberneticOscillator: (p) => bandPassStep(p, true),
  laguerreFilter: laguerreFilterStep,
  laguerreOscillator: laguerreOscillatorStep,
};

// The step of a stream that always goes through the module.
const inModule = () => undefined;

/**
 * The steady step (x, store) of a stream of `filter` whose state is at byte
 * `at` of module `wasm`'s memory; one that leaves every sample to the
 * module where the module's layout is not one this file can step.
 */
export function steadyStep(wasm, filter, at) {
  const make = STEPS[filter.name];
  if (!steadySteps.enabled || make === undefined || typeof wasm.exports.tsf_stream_layout !== 'function') return inModule;
  let memory = memories.get(wasm);
  if (memory === undefined) memories.set(wasm, memory = new Memory(wasm));
  const offsets = memory.layout(filter.kind);
  if (offsets === null || offsets[0] % 8 !== 0) return inModule;
  const places = new Places(memory, at, offsets, filter.rmsWindow ? WINDOW : filter.warmup);
  const step = make(places);
  return places.fits && places.next === offsets.length ? step : inModule;
}
