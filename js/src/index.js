// tsfilters for JavaScript: the library's seven filters, its streams and
// lanes, computed by the WebAssembly build of the same C++ sources, so that
// every output is the bits the native library writes.
import { filterTable } from '../generated/filter_table.js';
import { instance } from './module.js';

const INT32_MAX = 0x7fffffff;
const STREAM_BYTES = 768; // sizeof(tsf_stream), checked against the module below

// The parameters each shape takes, as the C functions name them.
const shapeParameters = {
  PERIOD: ['period'],
  TWO_PERIODS: ['highPassPeriod', 'smoothPeriod'],
  GAMMA_PERIOD: ['gamma', 'period'],
};

// HighPass -> highPass: the JavaScript names of the filters, which are also
// the stream kinds' names. A kind's number is its row's, counting from 1.
const filters = filterTable.map((row, index) => ({
  ...row,
  name: row.exportName[0].toLowerCase() + row.exportName.slice(1),
  kind: index + 1,
}));
const byName = new Map(filters.map((f) => [f.name, f]));

/** The names of the filters, in the library's order. */
export const filterNames = Object.freeze(filters.map((f) => f.name));

/** A failure the library reported: `message` is its own (tsf_strerror), `code` its TSF_E_ number. */
export class TsfiltersError extends Error {
  constructor(code) {
    super(instance().string(instance().exports.tsf_strerror(code)));
    this.name = 'TsfiltersError';
    this.code = code;
  }
}

// ---- checks at the boundary ------------------------------------------------

function describe(value) {
  if (value === null) return 'null';
  if (Array.isArray(value)) return 'an array';
  if (ArrayBuffer.isView(value)) return `a ${value[Symbol.toStringTag] ?? 'DataView'}`;
  return typeof value === 'object' ? 'an object' : `${typeof value} ${String(value)}`;
}

function checkBuffer(buffer, what) {
  if (typeof SharedArrayBuffer !== 'undefined' && buffer instanceof SharedArrayBuffer) {
    // Another thread could change it while the module reads it.
    throw new TypeError(`${what}: a SharedArrayBuffer is not accepted; copy it into an ordinary array first`);
  }
  try {
    new Uint8Array(buffer, 0, 0);
  } catch {
    throw new TypeError(`${what}: its ArrayBuffer is detached`);
  }
}

function checkLength(length, what) {
  if (length > INT32_MAX) {
    throw new RangeError(`${what}: ${length} values; the library takes at most ${INT32_MAX} in one call`);
  }
}

// A Float32Array, a Float64Array or an array of numbers; anything else is a
// TypeError. Typed arrays are told by their tag, which also holds for arrays
// made in another realm (a worker, an iframe, a vm context).
function checkValues(values, what) {
  const tag = ArrayBuffer.isView(values) ? values[Symbol.toStringTag] : undefined;
  if (tag === 'Float32Array' || tag === 'Float64Array') checkBuffer(values.buffer, what);
  else if (!Array.isArray(values)) {
    throw new TypeError(`${what}: expected a Float32Array, a Float64Array or an array of numbers, got ${describe(values)}`);
  }
  checkLength(values.length, what);
}

// Copies checked values into the module's memory at `at`, rounding each to
// binary32 exactly as a C cast from double does.
function copyIn(wasm, values, at, what) {
  wasm.views();
  const heap = wasm.f32.subarray(at >>> 2, (at >>> 2) + values.length);
  if (!Array.isArray(values)) {
    heap.set(values);
    return;
  }
  for (let i = 0; i < values.length; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    heap[i] = v;
  }
}

function checkNumber(value, what) {
  if (typeof value !== 'number') throw new TypeError(`${what} must be a number, got ${describe(value)}`);
  return value;
}

// A period is any int32, as the C functions take it: 0, 1 and negative
// periods are passed on, and the library's arithmetic decides what they give.
function checkPeriod(value, what) {
  checkNumber(value, what);
  if (!Number.isInteger(value) || value < -INT32_MAX - 1 || value > INT32_MAX) {
    throw new RangeError(`${what} must be an integer in the int32 range, got ${value}`);
  }
  return value;
}

// The filter's parameters: the defaults, overridden by `params`. gamma is
// any number (NaN and the infinities too, as in C), rounded to binary32.
function parametersOf(filter, params, what) {
  if (params === undefined) params = {};
  if (params === null || typeof params !== 'object' || Array.isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const allowed = shapeParameters[filter.shape];
  for (const key of Object.keys(params)) {
    if (!allowed.includes(key)) {
      throw new TypeError(`${what}: unknown parameter '${key}' for ${filter.name} (it takes ${allowed.join(', ')})`);
    }
  }
  const d = filter.defaults;
  const get = (key, fallback) => (params[key] === undefined ? fallback : params[key]);
  switch (filter.shape) {
    case 'PERIOD':
      return { period: checkPeriod(get('period', d.period), `${what}: period`) };
    case 'TWO_PERIODS':
      return {
        highPassPeriod: checkPeriod(get('highPassPeriod', d.period), `${what}: highPassPeriod`),
        smoothPeriod: checkPeriod(get('smoothPeriod', d.smoothPeriod), `${what}: smoothPeriod`),
      };
    default:
      return {
        gamma: Math.fround(checkNumber(get('gamma', d.gamma), `${what}: gamma`)),
        period: checkPeriod(get('period', d.period), `${what}: period`),
      };
  }
}

function filterNamed(kind) {
  const filter = typeof kind === 'string' ? byName.get(kind) : undefined;
  if (filter === undefined) {
    throw new TypeError(`unknown filter kind ${describe(kind)}; one of ${filterNames.join(', ')}`);
  }
  return filter;
}

// ---- the batch functions ---------------------------------------------------

function runBatch(filter, values, params) {
  const p = parametersOf(filter, params, filter.name);
  checkValues(values, `${filter.name}: values`);
  const n = values.length;
  if (n === 0) return new Float32Array(0);
  const wasm = instance();
  // A filter that writes every slot from firstWritten on runs in place (the
  // library allows it); one scaled by its RMS writes all slots or none, and
  // gets an output of its own, prefilled with NaN.
  const inPlace = !filter.rmsWindow;
  const input = wasm.malloc((inPlace ? 4 : 8) * n);
  const written = inPlace ? input : input + 4 * n;
  try {
    copyIn(wasm, values, input, `${filter.name}: values`);
    if (!inPlace) wasm.f32.fill(NaN, written >>> 2, (written >>> 2) + n);
    const fn = wasm.exports[filter.exportName];
    if (filter.shape === 'PERIOD') fn(input, p.period, n, written);
    else if (filter.shape === 'TWO_PERIODS') fn(input, p.highPassPeriod, p.smoothPeriod, n, written);
    else fn(input, p.gamma, p.period, n, written);
    wasm.views();
    // new + set: slice() of a view of the module's memory is many times slower.
    const output = new Float32Array(n);
    output.set(wasm.f32.subarray(written >>> 2, (written >>> 2) + n));
    output.fill(NaN, 0, filter.firstWritten);
    return output;
  } finally {
    wasm.free(input);
  }
}

export const highPass = (values, params) => runBatch(byName.get('highPass'), values, params);
export const superSmoother = (values, params) => runBatch(byName.get('superSmoother'), values, params);
export const ultimateSmoother = (values, params) => runBatch(byName.get('ultimateSmoother'), values, params);
export const bandPass = (values, params) => runBatch(byName.get('bandPass'), values, params);
export const cyberneticOscillator = (values, params) => runBatch(byName.get('cyberneticOscillator'), values, params);
export const laguerreFilter = (values, params) => runBatch(byName.get('laguerreFilter'), values, params);
export const laguerreOscillator = (values, params) => runBatch(byName.get('laguerreOscillator'), values, params);

// ---- streams ---------------------------------------------------------------

// Stream states live in the module's memory. One freed by neither free()
// nor `using` is freed when its object is collected.
const leftBehind = new FinalizationRegistry((cell) => {
  cell.wasm.free(cell.at);
  if (cell.io) cell.wasm.free(cell.io);
});
const dispose = Symbol.dispose ?? Symbol.for('Symbol.dispose');

// A library return value: negative codes are thrown (tsf_stream_samples
// returns an int64, a BigInt here).
function check(code) {
  if (code < 0) throw new TsfiltersError(Number(code));
  return code;
}

// Writes tsf_params for `filter` at `at`.
function writeParams(wasm, filter, p, at) {
  const view = new DataView(wasm.exports.memory.buffer);
  view.setInt32(at, filter.shape === 'TWO_PERIODS' ? p.highPassPeriod : p.period, true);
  view.setInt32(at + 4, filter.shape === 'TWO_PERIODS' ? p.smoothPeriod : 0, true);
  view.setFloat32(at + 8, filter.shape === 'GAMMA_PERIOD' ? p.gamma : 0, true);
}

// The kind and parameters a saved state records (its header, little-endian).
function describeSaved(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const filter = filters[view.getUint16(6, true) - 1];
  const period = view.getInt32(12, true);
  const p = filter.shape === 'PERIOD' ? { period }
    : filter.shape === 'TWO_PERIODS' ? { highPassPeriod: period, smoothPeriod: view.getInt32(16, true) }
      : { gamma: view.getFloat32(20, true), period };
  return { filter, params: p };
}

function checkSaved(bytes) {
  if (bytes instanceof ArrayBuffer) bytes = new Uint8Array(bytes);
  if (!ArrayBuffer.isView(bytes) || bytes[Symbol.toStringTag] !== 'Uint8Array') {
    throw new TypeError(`a saved stream must be a Uint8Array, got ${describe(bytes)}`);
  }
  checkBuffer(bytes.buffer, 'saved stream');
  checkLength(bytes.length, 'saved stream');
  return bytes;
}

// Loads saved bytes into the tsf_stream at `at`; the library's error, and
// the stream as it was, when they are not a saved state.
function loadInto(wasm, at, bytes) {
  const copy = wasm.malloc(Math.max(bytes.length, 1));
  try {
    wasm.u8.set(bytes, copy);
    check(wasm.exports.tsf_stream_load(at, copy, bytes.length));
  } finally {
    wasm.free(copy);
  }
}

function saveFrom(wasm, at) {
  const size = check(wasm.exports.tsf_stream_save(at, 0, 0));
  const buffer = wasm.malloc(size);
  try {
    check(wasm.exports.tsf_stream_save(at, buffer, size));
    return wasm.u8.slice(buffer, buffer + size);
  } finally {
    wasm.free(buffer);
  }
}

/** One filter fed a sample or a chunk at a time, with a forming-bar peek and a portable saved state. */
export class Stream {
  #wasm;
  #at;

  constructor(kind, params) {
    const filter = filterNamed(kind);
    const p = parametersOf(filter, params, filter.name);
    const wasm = instance();
    if (wasm.exports.tsf_stream_bytes() !== STREAM_BYTES) throw new Error('tsfilters: the module does not match the package');
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES);
    leftBehind.register(this, { wasm, at: this.#at }, this);
    writeParams(wasm, filter, p, wasm.scratch);
    check(wasm.exports.tsf_stream_init(this.#at, filter.kind, wasm.scratch));
    /** The filter's name, e.g. 'superSmoother'. */
    this.kind = filter.name;
    /** The parameters in use, defaults filled in, gamma as binary32. */
    this.params = Object.freeze(p);
  }

  #state() {
    if (this.#at === 0) throw new Error(`tsfilters: this ${this.kind} stream has been freed`);
    return this.#at;
  }

  /**
   * Consumes a sample and returns its output, or consumes an array and
   * returns a Float32Array of outputs; NaN where the output is not known
   * yet (see the package's documentation).
   */
  update(x) {
    const at = this.#state();
    const wasm = this.#wasm;
    if (typeof x === 'number') {
      wasm.views();
      const io = wasm.scratch >>> 2;
      wasm.f32[io] = x;
      check(wasm.exports.tsf_stream_update(at, wasm.scratch, 1, wasm.scratch + 4));
      return wasm.f32[io + 1];
    }
    if (!Array.isArray(x) && !ArrayBuffer.isView(x)) {
      throw new TypeError(`${this.kind}.update: expected a number or an array of numbers, got ${describe(x)}`);
    }
    checkValues(x, `${this.kind}.update`);
    const n = x.length;
    const output = new Float32Array(n);
    if (n === 0) return output;
    const buffer = wasm.malloc(4 * n);
    try {
      copyIn(wasm, x, buffer, `${this.kind}.update`);
      check(wasm.exports.tsf_stream_update(at, buffer, n, buffer));
      wasm.views();
      output.set(wasm.f32.subarray(buffer >>> 2, (buffer >>> 2) + n));
    } finally {
      wasm.free(buffer);
    }
    return output;
  }

  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x) {
    const at = this.#state();
    const wasm = this.#wasm;
    check(wasm.exports.tsf_stream_peek(at, checkNumber(x, `${this.kind}.peek: x`), wasm.scratch));
    wasm.views();
    return wasm.f32[wasm.scratch >>> 2];
  }

  /** An oscillator's outputs of samples 0..99 once it has consumed 100 samples; otherwise null. */
  window() {
    const at = this.#state();
    const wasm = this.#wasm;
    const buffer = wasm.malloc(400);
    try {
      if (check(wasm.exports.tsf_stream_window(at, buffer)) !== 100) return null;
      wasm.views();
      return wasm.f32.slice(buffer >>> 2, (buffer >>> 2) + 100);
    } finally {
      wasm.free(buffer);
    }
  }

  /** The number of samples consumed. */
  get samples() {
    return Number(check(this.#wasm.exports.tsf_stream_samples(this.#state())));
  }

  /** The state in the library's portable format: loads on any platform, in C, Python or JavaScript. */
  save() {
    return saveFrom(this.#wasm, this.#state());
  }

  /** Replaces this stream's state by a saved one; on a TsfiltersError the stream is unchanged. */
  restore(bytes) {
    const at = this.#state();
    bytes = checkSaved(bytes);
    loadInto(this.#wasm, at, bytes);
    const { filter, params } = describeSaved(bytes);
    this.kind = filter.name;
    this.params = Object.freeze(params);
  }

  /** A new stream from a saved state (Stream.save, tsf_stream_save in C, or the Python package). */
  static load(bytes) {
    bytes = checkSaved(bytes);
    const stream = new Stream('highPass');
    try {
      stream.restore(bytes);
    } catch (error) {
      stream.free();
      throw error;
    }
    return stream;
  }

  /** Frees the state in the module's memory; the stream is unusable afterwards. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    this.#at = 0;
  }

  [dispose]() {
    this.free();
  }
}

// ---- lanes -----------------------------------------------------------------

/**
 * Many streams of one kind advanced together on the library's lanes (SIMD),
 * one lane per symbol: each row holds one value per lane.
 */
export class Streams {
  #wasm;
  #at;
  #io = 0;
  #ioValues = 0;
  #cell; // what the FinalizationRegistry frees

  /**
   * @param kind   a filter name
   * @param params one parameter object for every lane, or an array of one per lane
   * @param lanes  the number of lanes (defaults to params.length for an array)
   */
  constructor(kind, params, lanes) {
    const filter = filterNamed(kind);
    const perLane = Array.isArray(params);
    if (lanes === undefined && perLane) lanes = params.length;
    checkNumber(lanes, `${filter.name} lanes`);
    if (!Number.isInteger(lanes) || lanes < 1 || lanes > INT32_MAX / STREAM_BYTES) {
      throw new RangeError(`${filter.name} lanes: expected an integer from 1 to ${Math.floor(INT32_MAX / STREAM_BYTES)}, got ${lanes}`);
    }
    if (perLane && params.length !== lanes) {
      throw new RangeError(`${filter.name}: ${params.length} parameter sets for ${lanes} lanes`);
    }
    const all = perLane ? params.map((q, i) => parametersOf(filter, q, `${filter.name} lane ${i}`))
      : Array(lanes).fill(parametersOf(filter, params, filter.name));
    const wasm = instance();
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES * lanes);
    this.#cell = { wasm, at: this.#at, io: 0 };
    leftBehind.register(this, this.#cell, this);
    for (let i = 0; i < lanes; ++i) {
      writeParams(wasm, filter, all[i], wasm.scratch);
      check(wasm.exports.tsf_stream_init(this.#at + i * STREAM_BYTES, filter.kind, wasm.scratch));
    }
    this.kind = filter.name;
    this.lanes = lanes;
    this.params = Object.freeze(all.map(Object.freeze));
  }

  #state() {
    if (this.#at === 0) throw new Error(`tsfilters: these ${this.kind} streams have been freed`);
    return this.#at;
  }

  // A buffer of `n` floats kept between calls, so that a live loop
  // allocates nothing in the module.
  #buffer(n) {
    if (n > this.#ioValues) {
      if (this.#io !== 0) this.#wasm.free(this.#io);
      this.#io = this.#cell.io = this.#ioValues = 0;
      this.#io = this.#cell.io = this.#wasm.malloc(4 * n);
      this.#ioValues = n;
    }
    return this.#io;
  }

  /**
   * Consumes one row (one value per lane) or several rows one after
   * another (row-major, length a multiple of `lanes`) and returns the
   * outputs in the same layout, into `output` when one is given.
   */
  update(values, output) {
    const at = this.#state();
    checkValues(values, `${this.kind} lanes update`);
    const n = values.length;
    if (n % this.lanes !== 0) {
      throw new RangeError(`${this.kind} lanes update: ${n} values are not whole rows of ${this.lanes} lanes`);
    }
    if (output === undefined) output = new Float32Array(n);
    else if (!(ArrayBuffer.isView(output) && output[Symbol.toStringTag] === 'Float32Array' && output.length === n)) {
      throw new TypeError(`${this.kind} lanes update: output must be a Float32Array of ${n} values`);
    } else checkBuffer(output.buffer, `${this.kind} lanes update: output`);
    if (n === 0) return output;
    const wasm = this.#wasm;
    const io = this.#buffer(n);
    copyIn(wasm, values, io, `${this.kind} lanes update`);
    const lanes = BigInt(this.lanes);
    check(wasm.exports.tsf_lanes_update(at, this.lanes, io, lanes, 1n, n / this.lanes, io, lanes, 1n));
    wasm.views();
    output.set(wasm.f32.subarray(io >>> 2, (io >>> 2) + n));
    return output;
  }

  /** Each lane's output if its next sample were row[lane]; nothing changes. */
  peek(row) {
    const at = this.#state();
    checkValues(row, `${this.kind} lanes peek`);
    if (row.length !== this.lanes) {
      throw new RangeError(`${this.kind} lanes peek: ${row.length} values for ${this.lanes} lanes`);
    }
    const wasm = this.#wasm;
    const io = this.#buffer(2 * this.lanes); // the row, then the outputs
    const peeked = io + 4 * this.lanes;
    copyIn(wasm, row, io, `${this.kind} lanes peek`);
    check(wasm.exports.tsf_lanes_peek(at, this.lanes, io, 1n, peeked, 1n));
    wasm.views();
    const output = new Float32Array(this.lanes);
    output.set(wasm.f32.subarray(peeked >>> 2, (peeked >>> 2) + this.lanes));
    return output;
  }

  /** The number of rows consumed. */
  get samples() {
    return Number(check(this.#wasm.exports.tsf_stream_samples(this.#state())));
  }

  /** One lane's state in the portable format; Stream.load continues it alone. */
  save(lane) {
    const at = this.#state();
    if (!Number.isInteger(lane) || lane < 0 || lane >= this.lanes) {
      throw new RangeError(`${this.kind} lanes save: no lane ${describe(lane)} among ${this.lanes}`);
    }
    return saveFrom(this.#wasm, at + lane * STREAM_BYTES);
  }

  /** Frees the lanes' states in the module's memory. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    if (this.#io !== 0) this.#wasm.free(this.#io);
    this.#at = this.#io = 0;
  }

  [dispose]() {
    this.free();
  }
}

/** The instruction set the lanes run on in this module: 'simd128' or 'scalar'. */
export function simdTarget() {
  const wasm = instance();
  return wasm.string(wasm.exports.tsf_simd_target());
}
