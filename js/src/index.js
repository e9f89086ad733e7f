// tsfilters for JavaScript: the library's seven filters, its streams and
// lanes, computed by the WebAssembly build of the same C++ sources, so that
// every output is the bits the native library writes.
import { filterTable } from '../generated/filter_table.js';
import { STREAM_BYTES, instance } from './module.js';

const INT32_MAX = 0x7fffffff;

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

/**
 * A failure the library reported: `message` is its own (tsf_strerror), `code`
 * its TSF_E_ number. The package's own message replaces the library's where
 * the package knows more, as for a freed stream (TSF_E_NOT_STREAM).
 */
export class TsfiltersError extends Error {
  constructor(code, message) {
    super(message ?? instance().string(instance().exports.tsf_strerror(code)));
    this.name = 'TsfiltersError';
    this.code = code;
  }
}

// What the C library answers for a tsf_stream that is not one: a freed
// stream's state no longer exists.
const TSF_E_NOT_STREAM = -3;
const freedError = (what) => new TsfiltersError(TSF_E_NOT_STREAM,
  `tsfilters: ${what} freed (by free() or at the end of a \`using\` block); make a new one, or Stream.load a saved state`);

// ---- checks at the boundary ------------------------------------------------
//
// Whatever the caller passes is read once, into arrays of this module's own,
// before any pointer into the module's memory is taken. A value can be user
// code (a getter, a Proxy, a typed array with its own `length`), and user
// code can call back into the package: grow the module's memory, free or
// create streams. Reading everything first leaves it nothing to interfere
// with; the module is only touched once no more user code can run.
//
// Typed arrays are read through the intrinsic %TypedArray% getters, taken
// here before any user code runs, never through the object's own
// properties, which can lie.

const TypedArray = Object.getPrototypeOf(Uint8Array);
const getter = (proto, key) => Object.getOwnPropertyDescriptor(proto, key).get;
const typedTag = getter(TypedArray.prototype, Symbol.toStringTag);
const typedLength = getter(TypedArray.prototype, 'length');
const typedBuffer = getter(TypedArray.prototype, 'buffer');
const typedSet = TypedArray.prototype.set;
const arrayBufferBytes = getter(ArrayBuffer.prototype, 'byteLength');
const sharedBufferBytes = typeof SharedArrayBuffer === 'undefined' ? undefined
  : getter(SharedArrayBuffer.prototype, 'byteLength');
const isArray = Array.isArray;

/** The kind of typed array `value` really is ('Float32Array', ...), or undefined. */
const typedKind = (value) => typedTag.call(value);

function isArrayBuffer(value) {
  try {
    arrayBufferBytes.call(value);
    return true;
  } catch {
    return false;
  }
}

// What a value is, for an error message: 'an Int32Array', 'undefined',
// 'the string "3"', 'number NaN'. Reads nothing of the caller's object but
// its internal kind, so a getter or a Proxy cannot run here.
function describe(value) {
  if (value === null || value === undefined) return String(value);
  if (isArray(value)) return 'an array';
  const kind = typedKind(value) ?? (ArrayBuffer.isView(value) ? 'DataView' : undefined);
  if (kind !== undefined) return `${/^[AEIO]/.test(kind) ? 'an' : 'a'} ${kind}`;
  if (isArrayBuffer(value)) return 'an ArrayBuffer';
  switch (typeof value) {
    case 'object': return 'an object';
    case 'function': return 'a function';
    case 'symbol': return 'a symbol';
    case 'string': return `the string ${JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value)}`;
    default: return `${typeof value} ${String(value)}`;
  }
}

function checkBuffer(typed, what) {
  const buffer = typedBuffer.call(typed);
  if (sharedBufferBytes !== undefined) {
    let shared = true;
    try {
      sharedBufferBytes.call(buffer);
    } catch {
      shared = false;
    }
    // Another thread could change it while the module reads it.
    if (shared) throw new TypeError(`${what}: a SharedArrayBuffer is not accepted; copy it into an ordinary array first`);
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

// A Float32Array, a Float64Array or an array of numbers, read into a new
// Float32Array (each value rounded to binary32 as a C cast from double
// rounds it); anything else is a TypeError. Typed arrays are told by their
// internal kind, which also holds for arrays made in another realm (a
// worker, an iframe, a vm context). An array is read element by element,
// once each, so a getter sees one read; a value that is not a number is
// refused before the rest is read, and before anything is allocated in the
// module: `new Array(3e8)` costs nothing to refuse.
function readValues(values, what) {
  const kind = typedKind(values);
  if (kind === 'Float32Array' || kind === 'Float64Array') {
    checkBuffer(values, what);
    checkLength(typedLength.call(values), what);
    return new Float32Array(values); // from the array's internal slots: a copy
  }
  if (!isArray(values)) {
    throw new TypeError(`${what}: expected a Float32Array, a Float64Array or an array of numbers, got ${describe(values)}`);
  }
  const n = values.length;
  if (!Number.isSafeInteger(n) || n < 0) throw new TypeError(`${what}: its length ${describe(n)} is not a length`);
  checkLength(n, what);
  let read = new Float32Array(Math.min(n, 1 << 16));
  for (let i = 0; i < n; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    if (i === read.length) {
      const more = new Float32Array(Math.min(n, 2 * read.length));
      more.set(read);
      read = more;
    }
    read[i] = v;
  }
  return read;
}

// A value the library would turn into NaN for good: NaN, or a number whose
// binary32 rounding is infinite (beyond about 3.4028235e38, or infinite).
const isGap = (v) => !Number.isFinite(Math.fround(v));

// Copies a Float32Array of ours into the module's memory at `at`. Nothing
// of the caller's runs here.
function copyIn(wasm, values, at) {
  wasm.views();
  wasm.f32.set(values, at >>> 2);
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
    throw new TypeError(`unknown filter kind: expected one of ${filterNames.join(', ')}, got ${describe(kind)}`);
  }
  return filter;
}

// ---- the batch functions ---------------------------------------------------

function runBatch(filter, values, params) {
  const { warmup, ...rest } = batchOptions(params, filter.name);
  const p = parametersOf(filter, rest, filter.name);
  const read = readValues(values, `${filter.name}: values`);
  const output = runRead(filter, read, p);
  if (warmup === 'nan') {
    // Every slot when the filter never settles with these parameters.
    const settled = settlingLength(filter.name, p) ?? read.length;
    output.fill(NaN, 0, Math.min(settled, read.length));
  }
  return output;
}

// `params` of a batch call: the filter's parameters and `warmup`.
function batchOptions(params, what) {
  if (params === undefined) return { warmup: 'keep' };
  if (params === null || typeof params !== 'object' || isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const copy = { ...params }; // each getter read once, here
  const warmup = copy.warmup === undefined ? 'keep' : copy.warmup;
  if (warmup !== 'keep' && warmup !== 'nan') {
    throw new TypeError(`${what}: warmup must be 'keep' or 'nan', got ${describe(warmup)}`);
  }
  delete copy.warmup;
  return { warmup, ...copy };
}

// The batch call over values already read.
function runRead(filter, read, p) {
  const n = read.length;
  if (n === 0) return new Float32Array(0);
  const wasm = instance();
  // A filter that writes every slot from firstWritten on runs in place (the
  // library allows it); one scaled by its RMS writes all slots or none, and
  // gets an output of its own, prefilled with NaN.
  const inPlace = !filter.rmsWindow;
  const input = wasm.malloc((inPlace ? 4 : 8) * n);
  const written = inPlace ? input : input + 4 * n;
  try {
    copyIn(wasm, read, input);
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
  wasm.views();
  const view = wasm.data;
  view.setInt32(at, filter.shape === 'TWO_PERIODS' ? p.highPassPeriod : p.period, true);
  view.setInt32(at + 4, filter.shape === 'TWO_PERIODS' ? p.smoothPeriod : 0, true);
  view.setFloat32(at + 8, filter.shape === 'GAMMA_PERIOD' ? p.gamma : 0, true);
}

// The kind and parameters a saved state records (its header, little-endian),
// read from our own copy of the bytes.
function describeSaved(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const filter = filters[view.getUint16(6, true) - 1];
  const period = view.getInt32(12, true);
  const p = filter.shape === 'PERIOD' ? { period }
    : filter.shape === 'TWO_PERIODS' ? { highPassPeriod: period, smoothPeriod: view.getInt32(16, true) }
      : { gamma: view.getFloat32(20, true), period };
  return { filter, params: p };
}

// Saved bytes (a Uint8Array or an ArrayBuffer) copied into a Uint8Array of
// ours, through the intrinsic getters: an own `length` or `buffer` on the
// caller's array changes nothing.
function readSaved(bytes, what) {
  let view;
  if (typedKind(bytes) === 'Uint8Array') {
    checkBuffer(bytes, what);
    view = bytes;
  } else if (isArrayBuffer(bytes)) {
    try {
      view = new Uint8Array(bytes);
    } catch {
      throw new TypeError(`${what}: the ArrayBuffer is detached (transferred or resized away); it holds no saved state`);
    }
  } else {
    throw new TypeError(`${what}: expected a saved stream as a Uint8Array or an ArrayBuffer, got ${describe(bytes)}`);
  }
  checkLength(typedLength.call(view), what);
  return new Uint8Array(view); // a copy, from the internal slots
}

// Loads saved bytes (ours) into the tsf_stream at `at`; the library's error,
// and the stream as it was, when they are not a saved state.
function loadInto(wasm, at, bytes) {
  const copy = wasm.malloc(Math.max(bytes.length, 1));
  try {
    wasm.views();
    wasm.u8.set(bytes, copy);
    check(wasm.exports.tsf_stream_load(at, copy, bytes.length));
  } finally {
    wasm.free(copy);
  }
}

// The kind and parameters of saved bytes (ours) once the library has
// accepted them, loaded into a state of its own: the library's error when
// they are not a saved state.
function checkSaved(wasm, bytes) {
  const at = wasm.malloc(STREAM_BYTES);
  try {
    loadInto(wasm, at, bytes);
  } finally {
    wasm.free(at);
  }
  return describeSaved(bytes);
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

const MISSING = ['error', 'drop', 'keep'];

// { missing } of a stream's options: what a sample the library would turn
// into NaN for good does.
function missingOf(options, what) {
  if (options === undefined) return 'error';
  if (options === null || typeof options !== 'object') {
    throw new TypeError(`${what}: options must be an object, got ${describe(options)}`);
  }
  const missing = options.missing === undefined ? 'error' : options.missing;
  if (!MISSING.includes(missing)) {
    throw new TypeError(`${what}: missing must be one of ${MISSING.join(', ')}, got ${describe(missing)}`);
  }
  return missing;
}

function gapError(what, v, where) {
  const kind = Number.isNaN(v) ? 'NaN' : 'an infinite value (or one beyond binary32\'s range)';
  return new RangeError(`${what}: ${kind} ${where}; nothing was fed, since it would make every later output NaN (pass { missing: 'drop' } to skip such values)`);
}

// Runs `update(buffer, count)` of the library over `read` (ours), in place
// in the module's memory, and returns the outputs.
function runInModule(wasm, read, update) {
  const n = read.length;
  const output = new Float32Array(n);
  if (n === 0) return output;
  const buffer = wasm.malloc(4 * n);
  try {
    copyIn(wasm, read, buffer);
    check(update(buffer, n));
    wasm.views();
    output.set(wasm.f32.subarray(buffer >>> 2, (buffer >>> 2) + n));
  } finally {
    wasm.free(buffer);
  }
  return output;
}

/** One filter fed a sample or a chunk at a time, with a forming-bar peek and a portable saved state. */
export class Stream {
  #wasm;
  #at;
  #kind;
  #params;
  #missing;

  constructor(kind, params, options) {
    const filter = filterNamed(kind);
    const p = parametersOf(filter, params, filter.name);
    const missing = missingOf(options, filter.name);
    const wasm = instance();
    if (wasm.exports.tsf_stream_bytes() !== STREAM_BYTES) throw new Error('tsfilters: the module does not match the package');
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES);
    leftBehind.register(this, { wasm, at: this.#at }, this);
    writeParams(wasm, filter, p, wasm.scratch);
    check(wasm.exports.tsf_stream_init(this.#at, filter.kind, wasm.scratch));
    this.#kind = filter.name;
    this.#params = Object.freeze(p);
    this.#missing = missing;
  }

  /** The filter's name, e.g. 'superSmoother'. */
  get kind() {
    return this.#kind;
  }

  /** The parameters in use, defaults filled in, gamma as binary32. */
  get params() {
    return this.#params;
  }

  /** What a NaN or infinite sample does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  #state() {
    if (this.#at === 0) throw freedError(`this ${this.#kind} stream has been`);
    return this.#at;
  }

  /**
   * Consumes a sample and returns its output, or consumes an array and
   * returns a Float32Array of outputs; NaN where the output is not known
   * yet (see the package's documentation), and for a sample dropped as
   * missing.
   */
  update(x) {
    if (typeof x === 'number') {
      const at = this.#state();
      if (isGap(x) && this.#missing !== 'keep') {
        if (this.#missing === 'error') throw gapError(`${this.#kind}.update`, x, 'given');
        return NaN;
      }
      const wasm = this.#wasm;
      wasm.views();
      const io = wasm.scratch >>> 2;
      wasm.f32[io] = x;
      check(wasm.exports.tsf_stream_update(at, wasm.scratch, 1, wasm.scratch + 4));
      return wasm.f32[io + 1];
    }
    if (!isArray(x) && typedKind(x) === undefined) {
      throw new TypeError(`${this.#kind}.update: expected a number or an array of numbers, got ${describe(x)}`);
    }
    const read = readValues(x, `${this.#kind}.update`);
    // Only now, with no caller code left to run, is the stream looked at:
    // a getter above may have freed it.
    const at = this.#state();
    const wasm = this.#wasm;
    const feed = (values) => runInModule(wasm, values,
      (buffer, n) => wasm.exports.tsf_stream_update(at, buffer, n, buffer));
    if (this.#missing === 'keep') return feed(read);
    const gaps = [];
    for (let i = 0; i < read.length; ++i) if (isGap(read[i])) gaps.push(i);
    if (gaps.length === 0) return feed(read);
    if (this.#missing === 'error') throw gapError(`${this.#kind}.update`, read[gaps[0]], `at position ${gaps[0]}`);
    // Dropped: the others are fed as one chunk, and each gap gets NaN.
    const kept = new Float32Array(read.length - gaps.length);
    const places = new Int32Array(kept.length);
    for (let i = 0, k = 0, g = 0; i < read.length; ++i) {
      if (g < gaps.length && gaps[g] === i) {
        ++g;
      } else {
        kept[k] = read[i];
        places[k++] = i;
      }
    }
    const fed = feed(kept);
    const output = new Float32Array(read.length).fill(NaN);
    for (let k = 0; k < fed.length; ++k) output[places[k]] = fed[k];
    return output;
  }

  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x) {
    checkNumber(x, `${this.#kind}.peek: x`);
    const at = this.#state();
    if (isGap(x) && this.#missing !== 'keep') {
      if (this.#missing === 'error') throw gapError(`${this.#kind}.peek`, x, 'given');
      return NaN;
    }
    const wasm = this.#wasm;
    check(wasm.exports.tsf_stream_peek(at, x, wasm.scratch));
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

  /** Back to the state the constructor gave it: no samples, the same kind and parameters. */
  reset() {
    check(this.#wasm.exports.tsf_stream_reset(this.#state()));
  }

  /** The state in the library's portable format: loads on any platform, in C, Python or JavaScript. */
  save() {
    return saveFrom(this.#wasm, this.#state());
  }

  /**
   * Replaces this stream's state by a saved one of the same kind (its
   * parameters may differ); on any error the stream is unchanged. A stream
   * keeps its kind for life, as its type says: a state of another kind is
   * a TypeError, and Stream.load makes a stream of whatever kind was saved.
   */
  restore(bytes) {
    const what = `${this.#kind}.restore`;
    const read = readSaved(bytes, what);
    const at = this.#state();
    const { filter, params } = checkSaved(this.#wasm, read);
    if (filter.name !== this.#kind) {
      throw new TypeError(`${what}: the saved state is a ${filter.name} stream, and a stream keeps its kind; ` +
        'Stream.load(bytes) makes a stream of the saved kind');
    }
    loadInto(this.#wasm, at, read);
    this.#params = Object.freeze(params);
  }

  /** A new stream from a saved state (Stream.save, tsf_stream_save in C, or the Python package). */
  static load(bytes, options) {
    const read = readSaved(bytes, 'Stream.load');
    const { filter, params } = checkSaved(instance(), read);
    const stream = new Stream(filter.name, params, options);
    loadInto(stream.#wasm, stream.#at, read); // checked: cannot fail
    stream.#params = Object.freeze(params);
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
  #kind;
  #lanes;
  #params;
  #missing;

  /**
   * @param kind    a filter name
   * @param params  one parameter object for every lane, or an array of one per lane
   * @param lanes   the number of lanes (defaults to params.length for an array)
   * @param options { missing: 'error' | 'drop' | 'keep' }
   */
  constructor(kind, params, lanes, options) {
    const filter = filterNamed(kind);
    const perLane = isArray(params);
    const given = perLane ? params.length : undefined;
    if (lanes === undefined && perLane) lanes = given;
    const most = Math.floor(INT32_MAX / STREAM_BYTES);
    if (typeof lanes !== 'number') {
      throw new TypeError(`${filter.name}: lanes must be a number of lanes from 1 to ${most}, got ${describe(lanes)}` +
        (lanes === undefined ? ' (give it, or an array of parameters with one entry per lane)' : ''));
    }
    if (!Number.isInteger(lanes) || lanes < 1 || lanes > most) {
      throw new RangeError(`${filter.name}: lanes must be an integer from 1 to ${most}, got ${lanes}`);
    }
    if (perLane && given !== lanes) {
      throw new RangeError(`${filter.name}: ${given} parameter sets for ${lanes} lanes`);
    }
    // Every lane's parameters checked before anything is allocated; a hole
    // in the list is named, not passed on as undefined.
    const all = [];
    if (perLane) {
      for (let i = 0; i < lanes; ++i) {
        if (!(i in params)) throw new TypeError(`${filter.name}: lane ${i} has no parameters (a hole in the list)`);
        all.push(parametersOf(filter, params[i], `${filter.name} lane ${i}`));
      }
    } else {
      all.length = lanes;
      all.fill(parametersOf(filter, params, filter.name));
    }
    const missing = missingOf(options, filter.name);
    const wasm = instance();
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES * lanes);
    this.#cell = { wasm, at: this.#at, io: 0 };
    leftBehind.register(this, this.#cell, this);
    for (let i = 0; i < lanes; ++i) {
      writeParams(wasm, filter, all[i], wasm.scratch);
      check(wasm.exports.tsf_stream_init(this.#at + i * STREAM_BYTES, filter.kind, wasm.scratch));
    }
    this.#kind = filter.name;
    this.#lanes = lanes;
    this.#params = Object.freeze(all.map(Object.freeze));
    this.#missing = missing;
  }

  /** The filter's name. */
  get kind() {
    return this.#kind;
  }

  /** The number of lanes. */
  get lanes() {
    return this.#lanes;
  }

  /** Each lane's parameters. */
  get params() {
    return this.#params;
  }

  /** What a NaN or infinite value does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  #state() {
    if (this.#at === 0) throw freedError(`these ${this.#kind} lanes have been`);
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

  // Rows [from, to) of `read` through the lanes, their outputs into `out`.
  #run(at, read, from, to, out) {
    const wasm = this.#wasm;
    const lanes = this.#lanes;
    const n = (to - from) * lanes;
    if (n <= 0) return;
    const io = this.#buffer(n);
    copyIn(wasm, read.subarray(from * lanes, to * lanes), io);
    const stride = BigInt(lanes);
    check(wasm.exports.tsf_lanes_update(at, lanes, io, stride, 1n, to - from, io, stride, 1n));
    wasm.views();
    out.set(wasm.f32.subarray(io >>> 2, (io >>> 2) + n), from * lanes);
  }

  // One row with gaps under missing 'drop': each lane with a value is fed
  // alone (a lane gives the bits of its stream alone), the others get NaN
  // and keep their state.
  #runDropping(at, read, row, out) {
    const wasm = this.#wasm;
    const lanes = this.#lanes;
    for (let j = 0; j < lanes; ++j) {
      const v = read[row * lanes + j];
      if (isGap(v)) {
        out[row * lanes + j] = NaN;
        continue;
      }
      wasm.views();
      wasm.f32[wasm.scratch >>> 2] = v;
      check(wasm.exports.tsf_stream_update(at + j * STREAM_BYTES, wasm.scratch, 1, wasm.scratch + 4));
      wasm.views();
      out[row * lanes + j] = wasm.f32[(wasm.scratch >>> 2) + 1];
    }
  }

  /**
   * Consumes one row (one value per lane) or several rows one after
   * another (row-major, length a multiple of `lanes`) and returns the
   * outputs in the same layout, into `output` when one is given.
   */
  update(values, output) {
    const what = `${this.#kind} lanes update`;
    const read = readValues(values, what);
    const n = read.length;
    const lanes = this.#lanes;
    if (n % lanes !== 0) {
      throw new RangeError(`${what}: ${n} values are not whole rows of ${lanes} lanes`);
    }
    if (output !== undefined) {
      if (typedKind(output) !== 'Float32Array') {
        throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got ${describe(output)}`);
      }
      // Detached first: a detached array's length reads as 0.
      checkBuffer(output, `${what}: output`);
      if (typedLength.call(output) !== n) {
        throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got one of ${typedLength.call(output)}`);
      }
    }
    const rows = n / lanes;
    const gappy = [];
    if (this.#missing !== 'keep') {
      for (let i = 0; i < n; ++i) {
        if (!isGap(read[i])) continue;
        const row = Math.floor(i / lanes);
        if (this.#missing === 'error') throw gapError(what, read[i], `in lane ${i % lanes} of row ${row}`);
        if (gappy[gappy.length - 1] !== row) gappy.push(row);
      }
    }
    const at = this.#state(); // after every read of the caller's values
    const out = new Float32Array(n);
    let from = 0;
    for (const row of gappy) {
      this.#run(at, read, from, row, out);
      this.#runDropping(at, read, row, out);
      from = row + 1;
    }
    this.#run(at, read, from, rows, out);
    if (output === undefined) return out;
    typedSet.call(output, out);
    return output;
  }

  /** Each lane's output if its next sample were row[lane]; nothing changes. */
  peek(row) {
    const what = `${this.#kind} lanes peek`;
    const read = readValues(row, what);
    const lanes = this.#lanes;
    if (read.length !== lanes) {
      throw new RangeError(`${what}: ${read.length} values for ${lanes} lanes`);
    }
    if (this.#missing === 'error') {
      const j = read.findIndex(isGap);
      if (j >= 0) throw gapError(what, read[j], `in lane ${j}`);
    }
    const at = this.#state();
    const wasm = this.#wasm;
    const io = this.#buffer(2 * lanes); // the row, then the outputs
    const peeked = io + 4 * lanes;
    copyIn(wasm, read, io);
    check(wasm.exports.tsf_lanes_peek(at, lanes, io, 1n, peeked, 1n));
    wasm.views();
    const output = new Float32Array(lanes);
    output.set(wasm.f32.subarray(peeked >>> 2, (peeked >>> 2) + lanes));
    if (this.#missing === 'drop') for (let j = 0; j < lanes; ++j) if (isGap(read[j])) output[j] = NaN;
    return output;
  }

  /** The number of rows consumed (by lane 0, when rows were dropped). */
  get samples() {
    return Number(check(this.#wasm.exports.tsf_stream_samples(this.#state())));
  }

  /** Every lane back to the state the constructor gave it. */
  reset() {
    const at = this.#state();
    for (let j = 0; j < this.#lanes; ++j) check(this.#wasm.exports.tsf_stream_reset(at + j * STREAM_BYTES));
  }

  /** One lane's state in the portable format; Stream.load continues it alone. */
  save(lane) {
    const at = this.#state();
    if (!Number.isInteger(lane) || lane < 0 || lane >= this.#lanes) {
      throw new RangeError(`${this.#kind} lanes save: lane must be an integer from 0 to ${this.#lanes - 1}, got ${describe(lane)}`);
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

// ---- settling and precision -------------------------------------------------

// Whether a filter follows a level (a smoother: gain 1 at zero frequency)
// rather than removing it, measured at its defaults on a unit step.
const follows = new Map();
function followsItsInput(filter) {
  if (!follows.has(filter.name)) {
    const step = new Float32Array(4096).fill(1, filter.warmup);
    const out = runRead(filter, step, parametersOf(filter, undefined, filter.name));
    follows.set(filter.name, Math.abs(out[out.length - 1] - 1) < 0.5);
  }
  return follows.get(filter.name);
}

// The settling length, measured on the library exactly as the Python
// package's tsfilters.settling.settling_length measures it (the same
// steps, the same double arithmetic on the same float32 outputs), so that
// both give the same numbers: the samples, from the first, until the
// response to a unit step given after the warm-up stays within 1% of its
// final value (1% of its largest swing); null when it never settles on the
// right level (1 for a smoother, 0 for a filter that removes the level).
function measureSettling(filter, p, tolerance = 0.01) {
  for (let count = 1024; count <= 1 << 22; count *= 4) {
    const step = new Float32Array(count).fill(1, filter.warmup);
    const response = runRead(filter, step, p).subarray(filter.firstWritten);
    if (response.length === 0 || !response.every(Number.isFinite)) return null;
    const final = response[response.length - 1];
    const swing = Float64Array.from(response, (v) => Math.abs(v - final));
    let largest = 0;
    for (const v of swing) largest = Math.max(largest, v);
    const level = followsItsInput(filter) ? 1 : 0;
    if (Math.abs(final - level) > tolerance * Math.max(largest, level)) {
      let late = 0;
      for (let i = Math.floor(count / 2); i < swing.length; ++i) late = Math.max(late, swing[i]);
      if (late <= tolerance * largest) return null; // settled, on the wrong level
      continue;
    }
    if (largest === 0) return filter.firstWritten;
    let outside = swing.length - 1;
    while (!(swing[outside] > tolerance * largest)) --outside;
    const last = outside + filter.firstWritten;
    if (last < Math.floor(count / 2)) return last + 1; // settled well before the end
  }
  return null;
}

const settled = new Map();

/**
 * How many samples filter `kind` needs, with `params` (its defaults for any
 * left out), before its output is reliable; null when it never settles.
 * The lengths `warmup: 'nan'` blanks, the same as the Python package's.
 */
export function settlingLength(kind, params) {
  const filter = filterNamed(kind);
  const p = parametersOf(filter, params, `${filter.name} settlingLength`);
  const key = `${filter.name} ${JSON.stringify(p)}`;
  if (!settled.has(key)) settled.set(key, measureSettling(filter, p));
  return settled.get(key);
}

/**
 * The longest period at which filter `kind` follows a price in single
 * precision: a step from 50 to 70, held for 10 periods, ends within 0.1% of
 * 70. Beyond it the output can freeze off the price. null for a filter that
 * removes the level and has no such limit. Nothing warns at run time: check
 * a period against this where it is chosen.
 */
export function precisionLimit(kind) {
  return filterNamed(kind).precisionLimit || null;
}

/** The instruction set the lanes run on in this module: 'simd128' or 'scalar'. */
export function simdTarget() {
  const wasm = instance();
  return wasm.string(wasm.exports.tsf_simd_target());
}
